#include "widgets/scroll_wnd.h"

#include <algorithm>

namespace sorvik {

int ScrollTarget(int code, int position, int page, int size, int thumb) {
  int target = position;
  switch (code) {
    case SB_LINEUP:
      target -= kScrollLine;
      break;
    case SB_LINEDOWN:
      target += kScrollLine;
      break;
    case SB_PAGEUP:
      target -= page;
      break;
    case SB_PAGEDOWN:
      target += page;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      target = thumb;
      break;
    case SB_TOP:
      target = 0;
      break;
    case SB_BOTTOM:
      target = size;
      break;
    default:
      break;
  }
  return std::max(0, std::min(target, std::max(0, size - page)));
}

void CScrollWnd::SetVirtualSize(int width, int height) {
  axis_[SB_HORZ].size = width;
  axis_[SB_VERT].size = height;
  UpdateBars();
}

void CScrollWnd::UpdateBars() {
  RECT client;
  GetClientRect(Handle(), &client);
  axis_[SB_HORZ].page = client.right;
  axis_[SB_VERT].page = client.bottom;
  for (int bar : {SB_HORZ, SB_VERT}) {
    Axis& axis = axis_[bar];
    // Keep the content in view when the window grows.
    ScrollTo(bar, std::min(axis.position, std::max(0, axis.size - axis.page)));
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    // A client at least as large as the content collapses the range.
    info.nMax = axis.page >= axis.size ? 0 : axis.size - 1;
    info.nPage = axis.page >= axis.size ? 0 : static_cast<UINT>(axis.page);
    info.nPos = axis.position;
    SetScrollInfo(Handle(), bar, &info, TRUE);
  }
}

void CScrollWnd::MoveChildren(int dx, int dy) {
  // The children are moved one by one rather than by the scroll call, which leaves them in
  // place while the window is hidden. Copying their old pixels along would bring parts of one
  // child over another that has not moved yet, so everything is painted afresh instead.
  for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT rect = RectInParent(child);
    SetWindowPos(child, nullptr, rect.left + dx, rect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  }
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CScrollWnd::ScrollTo(int bar, int position) {
  Axis& axis = axis_[bar];
  const int delta = axis.position - position;
  if (delta == 0) return;
  axis.position = position;
  MoveChildren(bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0);
  SetScrollPos(Handle(), bar, position, TRUE);
}

void CScrollWnd::OnScroll(int bar, int code) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(Handle(), bar, &info);
  const Axis& axis = axis_[bar];
  ScrollTo(bar, ScrollTarget(code, axis.position, axis.page, axis.size, info.nTrackPos));
}

bool CScrollWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)lparam;
  *result = 0;
  switch (message) {
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wparam));
      return true;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wparam));
      return true;
    case WM_MOUSEWHEEL:
      OnScroll(SB_VERT, GET_WHEEL_DELTA_WPARAM(wparam) > 0 ? SB_LINEUP : SB_LINEDOWN);
      return true;
    case WM_SIZE:
      UpdateBars();
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
