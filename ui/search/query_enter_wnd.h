// The keyword box of the search bar: a framed pale-blue box with a magnifier picture and a
// single-line edit. Enter in the edit runs the box's search action.
#pragma once

#include <functional>
#include <string>

#include "ui/edit_base.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

class CQueryEnterWnd : public CWindowBase {
 public:
  // `on_enter` runs on Enter in the edit.
  explicit CQueryEnterWnd(std::function<void()> on_enter);
  std::string Text() const;
  void SetText(const std::string& text);
  void Focus();
  // Clears the selection where the caret is and scrolls the caret into view.
  void ClearSelection();
  HWND Edit() const { return edit_.Handle(); }

 protected:
  const char* ClassName() const override { return "SorvikQueryEnterWnd"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();

  std::function<void()> on_enter_;  // the search that Enter runs
  CEditBase edit_;                  // child id 700, "宋体" 16 pixels
  PngLoader picture_;               // the magnifier
};

}  // namespace sorvik
