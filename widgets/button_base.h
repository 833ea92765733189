// A painted push button: a pale face in a rounded frame, light blue while the mouse is over it;
// a click sends the button's id to the parent as a command.
#pragma once

#include <string>

#include "widgets/window_base.h"

namespace sorvik {

class LButtonBase : public CWindowBase {
 public:
  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return caption_; }

 protected:
  const char* ClassName() const override { return "SorvikButton"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  // Draws the face; `hot` while the mouse is over the button.
  virtual void PaintFace(HDC dc, const RECT& rect, bool hot);
  // The mouse was pressed and released over the button.
  virtual void OnClick() { NotifyParent(Id()); }
  bool Hot() const { return hot_; }

 private:
  void Paint();
  void TrackLeave();

  std::string caption_;   // the text on the face
  bool hot_ = false;      // the mouse is over the button
  bool pressed_ = false;  // the left button went down over it
};

}  // namespace sorvik
