// Drawing off-screen: a memory device context over a rectangle of a window's device context,
// copied to the window in one piece when the canvas goes away, so a repaint never flickers.
#pragma once

#include <windows.h>

namespace sorvik {

class OffscreenCanvas {
 public:
  // A canvas over `area` of `target`; drawing uses the target's coordinates.
  OffscreenCanvas(HDC target, const RECT& area)
      : target_(target), area_(area), dc_(CreateCompatibleDC(target)) {
    bitmap_ = CreateCompatibleBitmap(target, area.right - area.left, area.bottom - area.top);
    old_ = SelectObject(dc_, bitmap_);
    SetViewportOrgEx(dc_, -area.left, -area.top, nullptr);
  }
  ~OffscreenCanvas() {
    SetViewportOrgEx(dc_, 0, 0, nullptr);
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, dc_,
           0, 0, SRCCOPY);
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  OffscreenCanvas(const OffscreenCanvas&) = delete;
  OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;

  HDC dc() const { return dc_; }

 private:
  HDC target_;      // the window's device context
  RECT area_;       // the part of it drawn here
  HDC dc_;          // the memory device context
  HBITMAP bitmap_;  // its bitmap, as large as the area
  HGDIOBJ old_;     // the bitmap it held before
};

}  // namespace sorvik
