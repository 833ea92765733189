// The ad-column toggle: a small painted button that shows an arrow picture for its state and
// sends its id to the parent when clicked; the parent flips the state.
#pragma once

#include "widgets/button_base.h"
#include "widgets/png_loader.h"

namespace sorvik {

constexpr int kShrinkControlId = 1227;

class CShrinkControl : public LButtonBase {
 public:
  CShrinkControl();
  void SetExpanded(bool expanded);
  bool Expanded() const { return expanded_; }

 protected:
  const char* ClassName() const override { return "SorvikShrinkControl"; }
  void PaintFace(HDC dc, const RECT& rect, bool hot) override;
  void OnClick() override { NotifyParent(kShrinkControlId); }

 private:
  bool expanded_ = true;       // the ad column is shown
  PngLoader expanded_image_;   // shown while expanded
  PngLoader collapsed_image_;  // shown while collapsed
};

}  // namespace sorvik
