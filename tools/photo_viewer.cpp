#include "tools/photo_viewer.h"

#include <commctrl.h>

#include "res/resource_ids.h"
#include "tools/offscreen_canvas.h"
#include "widgets/gdiplus_headers.h"

namespace sorvik {
namespace {

constexpr char kFrameTitle[] = "图片查看器";
constexpr char kCaptionPrefix[] = "Sorvik - 图片查看器 ";
constexpr COLORREF kBarBlueLine = RGB(130, 217, 253);

// The three buttons in the order of the frame's arrays: id, sprite, frame size, tip.
struct ButtonLook {
  int id;
  int sprite;
  int frame_width;
  int frame_height;
  const char* tip;
};
constexpr ButtonLook kLooks[3] = {
    {kPreviousButtonId, IDR_PNG_VIEWER_PREVIOUS, 51, 25, "上一张(按S、上箭头或左箭头键)"},
    {kSlideShowButtonId, IDR_PNG_VIEWER_SLIDE_SHOW, 44, 48, "放映幻灯片(按F5或双击显示区域)"},
    {kNextButtonId, IDR_PNG_VIEWER_NEXT, 51, 25, "下一张(按L、下箭头或右箭头键)"},
};

WindowClass FrameClass() {
  return WindowClass{"SorvikPhotoViewer", 0, IDI_PHOTO_VIEWER,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))};
}

// The rectangle of the monitor that holds `window`.
RECT MonitorOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcMonitor;
}

void SetStyle(HWND window, DWORD remove, DWORD add) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  SetWindowLongPtrA(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(remove)) | add);
}

}  // namespace

LPhotoMainWnd* LPhotoMainWnd::Open(SearchResult* result, int row) {
  if (result == nullptr) return nullptr;
  auto* viewer = new LPhotoMainWnd(result->Clone());
  if (!viewer->Create()) {
    delete viewer;
    return nullptr;
  }
  viewer->FreeWithWindow();
  ShowWindow(viewer->Handle(), SW_SHOWMAXIMIZED);
  viewer->ShowEntry(row);
  return viewer;
}

LPhotoMainWnd::LPhotoMainWnd(SearchResult* clone) : CFrameWindow(FrameClass()), result_(clone) {
  for (int i = 0; i < 3; ++i)
    buttons_[i] = ImageButton{kLooks[i].id, RECT{0, 0, 0, 0}, kButtonNormal};
}

LPhotoMainWnd::~LPhotoMainWnd() { result_->Release(); }

const ImageButton& LPhotoMainWnd::Button(int id) const {
  for (const ImageButton& button : buttons_)
    if (button.id == id) return button;
  return buttons_[0];
}

bool LPhotoMainWnd::Create() {
  if (!CreateFrame(kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                   CW_USEDEFAULT, CW_USEDEFAULT)) {
    return false;
  }
  HWND frame = Handle();
  RECT client;
  GetClientRect(frame, &client);
  if (!display_.CreateIn(frame, LayoutViewer(client.right, client.bottom).display)) return false;
  bar_picture_.Load(IDR_PNG_STATUS_BAR);
  for (int i = 0; i < 3; ++i) {
    if (!sprite_loaders_[i].Load(kLooks[i].sprite)) continue;
    sprites_[i].reset(new Gdiplus::Bitmap(sprite_loaders_[i].Stream()));
    if (sprites_[i]->GetLastStatus() != Gdiplus::Ok) sprites_[i].reset();
  }
  CreateToolTips();
  OnSize(client.right, client.bottom);
  return true;
}

void LPhotoMainWnd::CreateToolTips() {
  tool_tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tool_tip_ == nullptr) return;
  for (int i = 0; i < 3; ++i) {
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = static_cast<UINT_PTR>(kLooks[i].id);
    tool.lpszText = const_cast<char*>(kLooks[i].tip);
    SendMessageA(tool_tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void LPhotoMainWnd::ShowEntry(int index) {
  index_ = index;
  if (index < 0 || static_cast<size_t>(index) >= result_->ids.size()) return;
  EntryDetails details;
  if (!result_->GetDetails(result_->ids[index], &details)) return;
  display_.SetPath(details.FullPath());
  UpdateWindow(display_.Handle());
  SetWindowTextA(Handle(), (kCaptionPrefix + details.name).c_str());
}

void LPhotoMainWnd::Step(int step) {
  const int next = StepIndex(index_, step, result_->ids.size());
  if (next != index_) ShowEntry(next);
}

void LPhotoMainWnd::StartSlideShow() {
  if (slide_show_) return;
  HWND display = display_.Handle();
  LockWindowUpdate(display);
  SetParent(display, nullptr);
  SetStyle(display, WS_CHILD, WS_POPUP);
  const RECT screen = MonitorOf(Handle());
  SetWindowPos(display, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
               screen.bottom - screen.top, SWP_FRAMECHANGED);
  ShowWindow(display, SW_SHOWMAXIMIZED);
  SetForegroundWindow(display);
  SetFocus(display);
  slide_show_ = true;
  LockWindowUpdate(nullptr);
  SetTimer(Handle(), kSlideShowTimerId, kSlideShowMs, nullptr);
}

void LPhotoMainWnd::StopSlideShow() {
  if (!slide_show_) return;
  // Cleared first: the activation changes below come back here while the display moves.
  slide_show_ = false;
  HWND display = display_.Handle();
  LockWindowUpdate(display);
  ShowWindow(display, SW_SHOWNOACTIVATE);
  SetWindowPos(display, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetStyle(display, WS_POPUP | WS_MAXIMIZE, WS_CHILD);
  SetParent(display, Handle());
  RECT client;
  GetClientRect(Handle(), &client);
  const RECT place = LayoutViewer(client.right, client.bottom).display;
  SetWindowPos(display, nullptr, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  LockWindowUpdate(nullptr);
  KillTimer(Handle(), kSlideShowTimerId);
  SetForegroundWindow(Handle());
  SetFocus(Handle());
  InvalidateRect(display, nullptr, FALSE);
}

void LPhotoMainWnd::ToggleSlideShow() {
  if (slide_show_)
    StopSlideShow();
  else
    StartSlideShow();
}

void LPhotoMainWnd::OnKey(UINT virtual_key) {
  switch (ActionForKey(virtual_key, slide_show_)) {
    case ViewerAction::kStopSlideShow:
      StopSlideShow();
      break;
    case ViewerAction::kPrevious:
      Step(-1);
      break;
    case ViewerAction::kNext:
      Step(1);
      break;
    case ViewerAction::kToggleSlideShow:
      ToggleSlideShow();
      break;
    case ViewerAction::kNone:
      break;
  }
}

void LPhotoMainWnd::OnSize(int width, int height) {
  const ViewerLayout layout = LayoutViewer(width, height);
  if (!slide_show_) {
    const RECT& place = layout.display;
    MoveWindow(display_.Handle(), place.left, place.top, place.right - place.left,
               place.bottom - place.top, TRUE);
  }
  buttons_[0].rect = layout.previous;
  buttons_[1].rect = layout.slide_show;
  buttons_[2].rect = layout.next;
  for (const ImageButton& button : buttons_) {
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = Handle();
    tool.uId = static_cast<UINT_PTR>(button.id);
    tool.rect = button.rect;
    if (tool_tip_ != nullptr)
      SendMessageA(tool_tip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  InvalidateRect(Handle(), nullptr, FALSE);
}

void LPhotoMainWnd::OnMouse(UINT message, POINT point) {
  if (message == WM_MOUSEMOVE && !tracking_mouse_) {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, Handle(), 0};
    tracking_mouse_ = TrackMouseEvent(&track) != FALSE;
  }
  int clicked_id = 0;
  for (ImageButton& button : buttons_) {
    bool changed = false;
    bool clicked = false;
    if (message == WM_LBUTTONDOWN)
      changed = ButtonMouseDown(&button, point);
    else if (message == WM_LBUTTONUP)
      changed = ButtonMouseUp(&button, point, &clicked);
    else
      changed = ButtonMouseMove(&button, point);
    if (changed) InvalidateButton(button);
    if (clicked) clicked_id = button.id;
  }
  if (message == WM_LBUTTONDOWN) SetCapture(Handle());
  if (message == WM_LBUTTONUP && GetCapture() == Handle()) ReleaseCapture();
  if (clicked_id != 0) OnButtonClick(clicked_id);
}

void LPhotoMainWnd::OnButtonClick(int id) {
  if (id == kPreviousButtonId) Step(-1);
  if (id == kNextButtonId) Step(1);
  if (id == kSlideShowButtonId) StartSlideShow();
}

void LPhotoMainWnd::InvalidateButton(const ImageButton& button) {
  InvalidateRect(Handle(), &button.rect, FALSE);
}

void LPhotoMainWnd::PaintButton(HDC dc, const ImageButton& button) {
  const int i = static_cast<int>(&button - buttons_);
  if (!sprites_[i]) return;
  const ButtonLook& look = kLooks[i];
  Gdiplus::Graphics graphics(dc);
  const Gdiplus::Rect place(button.rect.left, button.rect.top, button.rect.right - button.rect.left,
                            button.rect.bottom - button.rect.top);
  graphics.DrawImage(sprites_[i].get(), place, button.state * look.frame_width, 0, look.frame_width,
                     look.frame_height, Gdiplus::UnitPixel);
}

void LPhotoMainWnd::PaintBar(HDC dc, const RECT& client) {
  const int bottom = LayoutViewer(client.right, client.bottom).display.bottom;
  bar_picture_.Draw(dc, RECT{0, bottom, client.right, client.bottom});
  FillSolid(dc, RECT{1, bottom + 1, client.right - 1, bottom + 2}, kColorWhite);
  FillSolid(dc, RECT{1, bottom + 2, client.right - 2, bottom + 3}, kBarBlueLine);
  for (const ImageButton& button : buttons_) PaintButton(dc, button);
}

void LPhotoMainWnd::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  if (!IsRectEmpty(&client)) {
    // The bar is drawn off-screen and copied at once: hovering a button never flickers.
    OffscreenCanvas canvas(dc, client);
    FillRect(canvas.dc(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PaintBar(canvas.dc(), client);
  }
  EndPaint(Handle(), &paint);
}

bool LPhotoMainWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_SIZE:
      OnSize(LOWORD(lparam), HIWORD(lparam));
      return true;
    case WM_KEYDOWN:
      OnKey(static_cast<UINT>(wparam));
      return true;
    case WM_TIMER:
      if (wparam == kSlideShowTimerId) Step(1);
      return wparam == kSlideShowTimerId;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      OnMouse(message, point);
      return true;
    case WM_MOUSELEAVE:
      tracking_mouse_ = false;
      OnMouse(WM_MOUSEMOVE, POINT{-1, -1});
      return true;
    case WM_NCACTIVATE:
      StopSlideShow();
      return false;
    case kMsgDisplayDoubleClick:
      ToggleSlideShow();
      return true;
    case kMsgDisplayDeactivated:
      if (GetForegroundWindow() != display_.Handle()) StopSlideShow();
      return true;
    default:
      return false;
  }
}

void ShowPhotoViewer(HWND owner, SearchResult* result, int row) {
  // The viewer is a window of its own: it stays open when the search window hides to the tray.
  (void)owner;
  LPhotoMainWnd::Open(result, row);
}

}  // namespace sorvik
