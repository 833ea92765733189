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
  PaintRoundedFace(dc, client, kColorLightGrey, kColorGreyBlue, kCorner);
  RECT text = client;
  text.left += kTextLeft;
  text.top += top_margin_;
  DrawWrappedText(dc, text_.c_str(), text, "Arial", 14, kTextColour, DT_END_ELLIPSIS);
  EndPaint(Handle(), &paint);
}

}  // namespace sorvik
