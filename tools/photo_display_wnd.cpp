#include "tools/photo_display_wnd.h"

#include <shellapi.h>

#include "tools/offscreen_canvas.h"
#include "tools/photo_layout.h"
#include "widgets/ansi_text.h"
#include "widgets/gdiplus_headers.h"

namespace sorvik {
namespace {

constexpr int kIconSize = 32;  // the shell icon drawn for a file that is no picture

void DrawShellIcon(HDC dc, const RECT& client, const std::string& path) {
  SHFILEINFOA info = {};
  if (!SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON) || info.hIcon == nullptr)
    return;
  const RECT place =
      FitPicture(kIconSize, kIconSize, client.right - client.left, client.bottom - client.top);
  DrawIconEx(dc, client.left + place.left, client.top + place.top, info.hIcon, kIconSize, kIconSize,
             0, nullptr, DI_NORMAL);
  DestroyIcon(info.hIcon);
}

}  // namespace

void DrawPictureFile(HDC dc, const RECT& client, const std::string& path) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  UINT width = 0;
  UINT height = 0;
  {
    // The image holds the file open: it lives only while it is drawn.
    Gdiplus::Image image(AnsiToWide(path).c_str());
    if (image.GetLastStatus() == Gdiplus::Ok) {
      width = image.GetWidth();
      height = image.GetHeight();
    }
    if (width != 0 || height != 0) {
      const RECT place = FitPicture(static_cast<int>(width), static_cast<int>(height),
                                    client.right - client.left, client.bottom - client.top);
      Gdiplus::Graphics graphics(dc);
      graphics.DrawImage(&image, static_cast<INT>(client.left + place.left),
                         static_cast<INT>(client.top + place.top),
                         static_cast<INT>(place.right - place.left),
                         static_cast<INT>(place.bottom - place.top));
      return;
    }
  }
  DrawShellIcon(dc, client, path);
}

bool LPhotoDisplayWnd::CreateIn(HWND frame, const RECT& rect) {
  frame_ = frame;
  return Create(frame, rect, 0, WS_CLIPSIBLINGS);
}

void LPhotoDisplayWnd::SetPath(const std::string& path) {
  path_ = path;
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
}

void LPhotoDisplayWnd::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT clip;
  RECT client;
  GetClientRect(Handle(), &client);
  if (path_.size() > 2 && GetClipBox(dc, &clip) != ERROR && !IsRectEmpty(&clip)) {
    // Drawn off-screen over the clip box and copied in one piece, so nothing flickers.
    OffscreenCanvas canvas(dc, clip);
    DrawPictureFile(canvas.dc(), client, path_);
  }
  EndPaint(Handle(), &paint);
}

bool LPhotoDisplayWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      // The paint covers everything when there is a path; otherwise the black class brush does.
      if (path_.size() <= 2) return false;
      *result = 1;
      return true;
    case WM_SIZE:
      InvalidateRect(Handle(), nullptr, FALSE);
      return false;
    case WM_LBUTTONDBLCLK:
      SendMessageA(frame_, kMsgDisplayDoubleClick, 0, 0);
      return true;
    case WM_KEYDOWN:
      SendMessageA(frame_, WM_KEYDOWN, wparam, lparam);
      return true;
    case WM_NCACTIVATE:
      if (wparam == FALSE && (GetWindowLongPtrA(Handle(), GWL_STYLE) & WS_CHILD) == 0)
        PostMessageA(frame_, kMsgDisplayDeactivated, 0, 0);
      return false;
    default:
      return false;
  }
}

}  // namespace sorvik
