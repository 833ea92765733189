#include "widgets/button_base.h"

namespace sorvik {
void LButtonBase::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, TRUE);
}

void LButtonBase::PaintFace(HDC dc, const RECT& rect, bool hot) {
  PaintRoundedFace(dc, rect, hot ? kColorPaleBlue : kColorLightGrey,
                   hot ? kColorLightBlue : kColorGreyBlue);
  RECT text = rect;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x33, 0x33, 0x33));
  HGDIOBJ old = SelectObject(dc, DialogFontOf(Handle()));
  DrawTextA(dc, caption_.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

void LButtonBase::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PaintFace(dc, client, hot_);
  EndPaint(Handle(), &paint);
}

void LButtonBase::TrackLeave() {
  TRACKMOUSEEVENT track = {};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Handle();
  TrackMouseEvent(&track);
}

bool LButtonBase::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)wparam;
  *result = 0;
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_MOUSEMOVE:
      if (!hot_) {
        hot_ = true;
        TrackLeave();
        InvalidateRect(Handle(), nullptr, FALSE);
      }
      return true;
    case WM_MOUSELEAVE:
      hot_ = false;
      InvalidateRect(Handle(), nullptr, FALSE);
      return true;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(Handle());
      return true;
    case WM_LBUTTONUP: {
      bool was_pressed = pressed_;
      pressed_ = false;
      ReleaseCapture();
      RECT client;
      GetClientRect(Handle(), &client);
      POINT at = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      if (was_pressed && PtInRect(&client, at)) OnClick();
      return true;
    }
    default:
      return false;
  }
}

}  // namespace sorvik
