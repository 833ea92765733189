// The search window's frame: the window messages, its painting and the splitter between the
// filter panel and the list.
#include "ui/command_ids.h"
#include "ui/search/main_search_dlg.h"

namespace sorvik {
namespace {

constexpr int kSplitterGrip = 2;  // pixels right of the panel that start a drag

HBRUSH WhiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

}  // namespace

bool MainSearchDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  if (OnTrayMessage(message, wparam, lparam, result)) return true;
  switch (message) {
    case WM_GETMINMAXINFO:
      LimitTrackingSize(reinterpret_cast<MINMAXINFO*>(lparam));
      *result = 0;
      return true;
    case WM_WINDOWPOSCHANGING:
      // After a logon start nothing may show the window until the tray says so.
      if (!may_show_) reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_SHOWWINDOW;
      return false;
    case WM_CLOSE:
      // Closing only puts the window away; the tray menu's exit ends the program.
      ShowWindow(Handle(), SW_MINIMIZE);
      ShowWindow(Handle(), SW_HIDE);
      *result = 0;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) bar_.KeywordBox().Focus();
      return false;
    case WM_PAINT:
      Paint();
      *result = 0;
      return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      *result = reinterpret_cast<INT_PTR>(WhiteBrush());
      return true;
    case WM_CTLCOLORDLG:
      *result = reinterpret_cast<INT_PTR>(WhiteBrush());
      return true;
    case kMsgBuildNotice:
      *result = 0;  // meant for the first-build dialog
      return true;
    case kMsgKeywordEnter:  // also accepted from outside the window
      SearchWithFilters();
      *result = 0;
      return true;
    case kMsgNoticeList:
      AdoptNotices(lparam);
      *result = 0;
      return true;
    case kMsgMenuDropDown:
      ShowDropDown(static_cast<int>(wparam), *reinterpret_cast<const RECT*>(lparam));
      *result = 0;
      return true;
    case kMsgIndexSwapped:
      OnIndexSwapped();
      *result = 0;
      return true;
    case kMsgIndexLive:
      OnIndexLive();
      *result = 0;
      return true;
    case kMsgTypingAnswer:
      OnTypingAnswer(lparam);
      *result = 0;
      return true;
    case WM_DESTROY:
      // A search as you type still running ends here; answers still queued are dropped.
      if (typing_ != nullptr) typing_->Stop();
      return false;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      return OnSplitterMessage(message, lparam);
    default:
      return false;
  }
}

// The keyword box and its buttons sit at fixed places of the bar; the window never gets
// narrower than the client width that shows them, nor lower than a few rows of the list.
void MainSearchDlg::LimitTrackingSize(MINMAXINFO* limits) const {
  RECT frame = {0, 0, bar_.MinimumWidth(), kMinClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
  limits->ptMinTrackSize.x = frame.right - frame.left;
  limits->ptMinTrackSize.y = frame.bottom - frame.top;
}

RECT MainSearchDlg::SplitterRect() const {
  RECT rect = RectInParent(panel_.Handle());
  rect.right += kSplitterGrip;
  return rect;
}

bool MainSearchDlg::OnSplitterMessage(UINT message, LPARAM lparam) {
  POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (message == WM_LBUTTONDOWN) {
    RECT grip = SplitterRect();
    if (!PtInRect(&grip, point)) return false;
    SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
    dragging_ = true;
    LockWindowUpdate(Handle());
    SetCapture(Handle());
    return true;
  }
  if (message == WM_LBUTTONUP) {
    if (GetCapture() != Handle()) return false;
    LockWindowUpdate(nullptr);
    ReleaseCapture();
    dragging_ = false;
    RepaintAll();
    return true;
  }
  if (!dragging_) return false;
  RECT client;
  GetClientRect(Handle(), &client);
  if (point.x > kFilterPanelMinWidth) {
    RECT panel = RectInParent(panel_.Handle());
    MoveWindow(panel_.Handle(), panel.left, panel.top, point.x - panel.left,
               panel.bottom - panel.top, TRUE);
    RECT list = RectInParent(list_.Handle());
    const int list_x = point.x + 5;
    MoveWindow(list_.Handle(), list_x, list.top, client.right - ad_column_width_ - point.x - 5,
               list.bottom - list.top, TRUE);
    // The frames around the panel and the list move with them: the window's own part is
    // repainted whole, not only the band right of the splitter.
    InvalidateRect(Handle(), nullptr, TRUE);
  }
  RECT grip = SplitterRect();
  if (PtInRect(&grip, point))
    SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
  else
    dragging_ = false;
  return true;
}

void MainSearchDlg::PaintFrame(HDC dc, HWND child) {
  static const COLORREF kPens[] = {kColorWhite, kColorLightBlue, kColorPaleBlue};
  RECT rect = RectInParent(child);
  HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  for (int i = 0; i < 3; ++i) {
    HPEN pen = CreatePen(PS_SOLID, 1, kPens[i]);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    Rectangle(dc, rect.left - 1 - i, rect.top - 1 - i, rect.right + 1 + i, rect.bottom + 1 + i);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
  }
  SelectObject(dc, old_brush);
}

void MainSearchDlg::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  if (IsIconic(Handle())) {
    const int size = GetSystemMetrics(SM_CXICON);
    DrawIcon(dc, (client.right - size) / 2, (client.bottom - size) / 2, icon_);
  } else {
    if (panel_.Handle() != nullptr) PaintFrame(dc, panel_.Handle());
    if (list_.Handle() != nullptr) PaintFrame(dc, list_.Handle());
  }
  EndPaint(Handle(), &paint);
}

}  // namespace sorvik
