#include "widgets/hint_wnd.h"

namespace sorvik {
namespace {

constexpr int kCorner = 7;
constexpr int kTextLeft = 4;
constexpr COLORREF kTextColour = RGB(0x7F, 0x7F, 0x7F);

}  // namespace

void LHintWnd::SetText(const std::string& text) {
  text_ = text;
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, TRUE);
}

void LHintWnd::SetTopMargin(int pixels) {
  top_margin_ = pixels;
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, TRUE);
}

bool LHintWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)wparam;
  (void)lparam;
  if (message == WM_ERASEBKGND) {
    *result = 1;
    return true;
  }
  if (message != WM_PAINT) return false;
  Paint();
  return true;
}

void LHintWnd::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  HBRUSH fill = CreateSolidBrush(kColorLightGrey);
  HPEN frame = CreatePen(PS_SOLID, 1, kColorGreyBlue);
  HGDIOBJ old_brush = SelectObject(dc, fill);
  HGDIOBJ old_pen = SelectObject(dc, frame);
  RoundRect(dc, client.left, client.top, client.right, client.bottom, kCorner, kCorner);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(fill);
  DeleteObject(frame);
  RECT text = client;
  text.left += kTextLeft;
  text.top += top_margin_;
  DrawWrappedText(dc, text_.c_str(), text, "Arial", 14, kTextColour, DT_END_ELLIPSIS);
  EndPaint(Handle(), &paint);
}

}  // namespace sorvik
