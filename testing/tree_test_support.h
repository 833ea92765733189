// Test support for the filter trees: clicks as the mouse makes them, and the points to click.
// Tests only.
#pragma once

#include <windows.h>
// The tree view's messages.
#include <commctrl.h>

namespace sorvik {
namespace testing {

// A left click at `point` of `tree`: the button's release is queued first, so that the
// control's wait for it ends at once.
inline void LeftClick(HWND tree, POINT point) {
  PostMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

// A point on the expand button of `item`, found by hit-testing left of its label.
inline POINT ButtonOf(HWND tree, HTREEITEM item) {
  RECT label;
  TreeView_GetItemRect(tree, item, &label, TRUE);
  TVHITTESTINFO hit = {};
  for (hit.pt = {0, (label.top + label.bottom) / 2}; hit.pt.x < label.left; ++hit.pt.x) {
    if (TreeView_HitTest(tree, &hit) == item && (hit.flags & TVHT_ONITEMBUTTON)) break;
  }
  return hit.pt;
}

// The middle of the label of `item`.
inline POINT LabelOf(HWND tree, HTREEITEM item) {
  RECT label = {0, 0, 0, 0};
  TreeView_GetItemRect(tree, item, &label, TRUE);
  return POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
}

}  // namespace testing
}  // namespace sorvik
