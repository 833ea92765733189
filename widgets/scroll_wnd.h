// A child window whose content is larger than its client area: it scrolls its children by the
// scroll bars and the mouse wheel, a line being 60 pixels.
#pragma once

#include "widgets/window_base.h"

namespace sorvik {

constexpr int kScrollLine = 60;  // pixels per line up or down

class CScrollWnd : public CWindowBase {
 public:
  // The size of the whole content; the scroll ranges follow it and the client size.
  void SetVirtualSize(int width, int height);
  int PositionX() const { return axis_[0].position; }
  int PositionY() const { return axis_[1].position; }

 protected:
  const char* ClassName() const override { return "SorvikScrollWnd"; }
  HBRUSH Background() const override { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  struct Axis {
    int size = 0;      // virtual size
    int page = 0;      // client size
    int position = 0;  // scroll position, 0 .. size - page
  };
  void UpdateBars();
  void OnScroll(int bar, int code);
  void ScrollTo(int bar, int position);
  void MoveChildren(int dx, int dy);

  Axis axis_[2];  // SB_HORZ, SB_VERT
};

// The position a scroll request leads to on an axis of `size` with `page` shown, from `position`
// (`thumb` for the thumb codes), clamped to 0 .. size - page.
int ScrollTarget(int code, int position, int page, int size, int thumb);

}  // namespace sorvik
