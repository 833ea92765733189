#include "ui/search/status_bar.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "res/resource_ids.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr const char* kLinkTexts[kPageLinkCount] = {"首　页", "上一页", "下一页", "尾　页"};
constexpr int kLinkWidth = 40;
constexpr int kLinkHeight = 20;
constexpr int kLinkTop = 7;
constexpr int kLinkStep = 46;      // from one link's left edge to the next one's
constexpr int kLinksSpan = 184;    // four links' steps
constexpr int kCountArea = 200;    // the count text's part of the bar, at the left
constexpr int kLinksArea = 184;    // the four links' part of the bar, at the right
constexpr int kNoticeMargin = 30;  // repainted around the notice when it changes
constexpr int kNoticeId = 1;       // the notice control's child id
constexpr COLORREF kCountColour = RGB(0x00, 0x00, 0xEE);
constexpr COLORREF kLinkColour = RGB(0x00, 0x00, 0xEE);

HFONT MakeFont(const char* face, int height, bool underline) {
  return CreateFontA(-height, 0, 0, 0, 500, FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

void HorizontalLine(HDC dc, int y, int width, COLORREF colour) {
  FillSolid(dc, RECT{0, y, width, y + 1}, colour);
}

}  // namespace

bool PageLinkShown(int link, int page, int page_count) {
  if (page_count <= 1) return false;
  if (link == kLinkFirst || link == kLinkPrevious) return page > 1;
  if (link == kLinkNext || link == kLinkLast) return page < page_count;
  return false;
}

LStatusBar::LStatusBar(std::function<void(int link)> on_link) : on_link_(std::move(on_link)) {}

LStatusBar::~LStatusBar() {
  if (count_font_ != nullptr) DeleteObject(count_font_);
  if (link_font_ != nullptr) DeleteObject(link_font_);
}

void LStatusBar::ShowCount(uint32_t total, int page_count) {
  char text[96];
  if (page_count > 1) {
    std::snprintf(text, sizeof text, "共找到 %u 个文件,分%d页显示", total, page_count);
  } else {
    std::snprintf(text, sizeof text, "共找到 %u 个文件", total);
  }
  count_text_ = text;
  if (Handle() != nullptr) {
    RECT count_area;
    GetClientRect(Handle(), &count_area);
    // The whole part left of the links: a longer old text ("共找到 100000 个文件,分125页显示")
    // runs past the first 200 pixels and would otherwise stay partly on screen.
    count_area.right = std::max<LONG>(kCountArea, count_area.right - kLinksArea);
    InvalidateRect(Handle(), &count_area, TRUE);
  }
}

void LStatusBar::ShowLinks(int page, int page_count) {
  for (int i = 0; i < kPageLinkCount; ++i) visible_[i] = PageLinkShown(i, page, page_count);
  LayoutLinks();
}

bool LStatusBar::LinkVisible(int link) const {
  return link >= 0 && link < kPageLinkCount && visible_[link];
}

RECT LStatusBar::LinkRect(int link) const {
  return LinkVisible(link) ? rects_[link] : RECT{0, 0, 0, 0};
}

int LStatusBar::ClientWidth() const {
  RECT client = {0, 0, 0, 0};
  if (Handle() != nullptr) GetClientRect(Handle(), &client);
  return client.right;
}

// Packs the visible links against the right edge, 46 pixels apart, and repaints what moved.
void LStatusBar::LayoutLinks() {
  const int width = ClientWidth();
  int hidden = 0;
  for (bool shown : visible_) hidden += shown ? 0 : 1;
  int x = width - (kLinksSpan - kLinkStep * hidden) + 2;
  for (int i = 0; i < kPageLinkCount; ++i) {
    const RECT old_rect = rects_[i];
    rects_[i] = RECT{0, 0, 0, 0};
    if (visible_[i]) {
      rects_[i] = RECT{x, kLinkTop, x + kLinkWidth, kLinkTop + kLinkHeight};
      x += kLinkStep;
    }
    if (Handle() == nullptr) continue;
    InvalidateRect(Handle(), &old_rect, TRUE);
    InvalidateRect(Handle(), &rects_[i], TRUE);
  }
  if (Handle() != nullptr) {
    RECT right_part;
    GetClientRect(Handle(), &right_part);
    right_part.left = right_part.right - kCountArea;
    InvalidateRect(Handle(), &right_part, TRUE);
  }
}

// `text` cut to at most `max_bytes` bytes, never inside a double-byte character.
std::string CutText(const std::string& text, size_t max_bytes) {
  size_t end = 0;
  while (end < text.size() && end + GbkCharLength(text, end) <= max_bytes)
    end += GbkCharLength(text, end);
  return text.substr(0, end);
}

void LStatusBar::SetNotice(const std::string& text, const std::string& link,
                           const std::string& tip) {
  // The server decides the notice's length; the bar shows what fits its width (a longer text
  // is measured wider than any screen and showed nothing).
  notice_text_ = CutText(text, kMaxNoticeTextBytes);
  notice_.SetText(notice_text_);
  notice_.SetLink(link);
  notice_.SetToolTip(CutText(tip.empty() ? text : tip, kMaxNoticeTipBytes));
  if (notice_.Handle() != nullptr) SetWindowTextA(notice_.Handle(), notice_text_.c_str());
  CentreNotice();
}

// Sizes the notice control to its text and centres it in the bar.
void LStatusBar::CentreNotice() {
  HWND control = notice_.Handle();
  if (control == nullptr) return;
  const RECT old_rect = RectInParent(control);
  SIZE extent = {0, 0};
  HDC dc = GetDC(control);
  HGDIOBJ old_font = SelectObject(dc, link_font_);
  GetTextExtentPoint32A(dc, notice_text_.c_str(), static_cast<int>(notice_text_.size()), &extent);
  SelectObject(dc, old_font);
  ReleaseDC(control, dc);
  RECT client;
  GetClientRect(Handle(), &client);
  // Never wider than the bar: the control ends what does not fit with an ellipsis.
  const int width = notice_text_.empty()
                        ? 0
                        : std::min(static_cast<int>(extent.cx) + 4, static_cast<int>(client.right));
  const int height = static_cast<int>(extent.cy) + 2;
  const int left = (client.right - width) / 2;
  const int top = (client.bottom - height) / 2;
  MoveWindow(control, left, top, width, height, FALSE);
  RECT around = {left, top, left + width, top + height};
  UnionRect(&around, &around, &old_rect);
  InflateRect(&around, kNoticeMargin, kNoticeMargin);
  InvalidateRect(Handle(), &around, TRUE);
  InvalidateRect(control, nullptr, TRUE);
}

int LStatusBar::LinkAt(POINT point) const {
  for (int i = 0; i < kPageLinkCount; ++i) {
    if (visible_[i] && PtInRect(&rects_[i], point)) return i;
  }
  return -1;
}

bool LStatusBar::OnMessage(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return false;
    case WM_SIZE:
      LayoutLinks();
      CentreNotice();
      // The picture is stretched over the whole bar: every part of it moves with the size.
      InvalidateRect(Handle(), nullptr, FALSE);
      return false;
    case WM_ERASEBKGND:
      *result = 1;  // the paint covers the whole client area
      return true;
    case WM_PAINT:
      Paint();
      *result = 0;
      return true;
    case WM_CTLCOLORSTATIC:  // the notice is drawn over the bar's own background
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    case WM_SETCURSOR: {
      if (LOWORD(lparam) != HTCLIENT) return false;
      POINT point;
      GetCursorPos(&point);
      ScreenToClient(Handle(), &point);
      SetCursor(LoadCursorA(nullptr, LinkAt(point) >= 0 ? IDC_HAND : IDC_ARROW));
      *result = TRUE;
      return true;
    }
    case WM_LBUTTONUP: {
      const int link =
          LinkAt(POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))});
      if (link >= 0 && on_link_) on_link_(link);
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

void LStatusBar::OnCreate() {
  count_font_ = MakeFont("Arial", 15, false);
  link_font_ = MakeFont("宋体", 12, true);
  background_.Load(IDR_PNG_STATUS_BAR);
  HWND control =
      CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 0, 0, 0, 0, Handle(),
                      reinterpret_cast<HMENU>(kNoticeId), GetModuleHandleA(nullptr), nullptr);
  if (control == nullptr) return;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(link_font_), FALSE);
  notice_.Attach(control);
}

void LStatusBar::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  background_.Draw(dc, client);
  HorizontalLine(dc, 1, client.right, kColorWhite);
  HorizontalLine(dc, 2, client.right, kColorLightBlue);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old_font = SelectObject(dc, count_font_);
  SetTextColor(dc, kCountColour);
  RECT text_rect = {client.left + 3, client.top, client.right, client.bottom};
  DrawTextA(dc, count_text_.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  PaintLinks(dc);
  SelectObject(dc, old_font);
  EndPaint(Handle(), &paint);
}

void LStatusBar::PaintLinks(HDC dc) {
  SelectObject(dc, link_font_);
  SetTextColor(dc, kLinkColour);
  for (int i = 0; i < kPageLinkCount; ++i) {
    if (!visible_[i]) continue;
    RECT rect = rects_[i];
    DrawTextA(dc, kLinkTexts[i], -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  }
}

}  // namespace sorvik
