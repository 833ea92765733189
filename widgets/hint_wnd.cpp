#include "widgets/hint_wnd.h"

#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr int kCorner = 7;
constexpr int kTextLeft = 4;
constexpr COLORREF kTextColour = RGB(0x7F, 0x7F, 0x7F);
constexpr char kTextFace[] = "Arial";
constexpr int kTextHeight = 14;
constexpr char kEllipsis[] = "…";

// Measures texts in the panel's font on a screen-compatible DC.
class TextMeasure {
 public:
  TextMeasure() : dc_(CreateCompatibleDC(nullptr)), font_(CreateTextFont(kTextFace, kTextHeight)) {
    old_ = SelectObject(dc_, font_);
  }
  ~TextMeasure() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
    DeleteDC(dc_);
  }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  int Width(const std::string& text) const {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }
  int WrappedHeight(const std::string& text, int width) const {
    RECT rect = {0, 0, width, 0};
    DrawTextA(dc_, text.c_str(), -1, &rect, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    return rect.bottom;
  }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

// The length of the first `count` characters of GBK `text` (a lead byte takes its trail along).
size_t CharactersLength(const std::string& text, size_t count) {
  size_t at = 0;
  for (size_t i = 0; i < count && at < text.size(); ++i) at += GbkCharLength(text, at);
  return at;
}

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

RECT LHintWnd::TextRect() const {
  RECT rect = {0, 0, 0, 0};
  if (Handle() != nullptr) GetClientRect(Handle(), &rect);
  rect.left += kTextLeft;
  rect.top += top_margin_;
  return rect;
}

std::string LHintWnd::FitLine(const std::string& line) const {
  const RECT rect = TextRect();
  const int width = rect.right - rect.left;
  TextMeasure measure;
  if (measure.Width(line) <= width) return line;
  // The longest run of whole characters that leaves room for the ellipsis.
  size_t characters = 0;
  std::string fitted = kEllipsis;
  for (;;) {
    const size_t length = CharactersLength(line, characters + 1);
    if (length >= line.size()) break;
    const std::string longer = line.substr(0, length) + kEllipsis;
    if (measure.Width(longer) > width) break;
    fitted = longer;
    ++characters;
  }
  return fitted;
}

int LHintWnd::TextHeight() const {
  const RECT rect = TextRect();
  return TextMeasure().WrappedHeight(text_, rect.right - rect.left);
}

void LHintWnd::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  PaintRoundedFace(dc, client, kColorLightGrey, kColorGreyBlue, kCorner);
  DrawWrappedText(dc, text_.c_str(), TextRect(), kTextFace, kTextHeight, kTextColour,
                  DT_END_ELLIPSIS);
  EndPaint(Handle(), &paint);
}

}  // namespace sorvik
