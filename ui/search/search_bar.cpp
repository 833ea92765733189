#include "ui/search/search_bar.h"

#include <algorithm>
#include <utility>

#include "res/resource_ids.h"
#include "ui/command_ids.h"

namespace sorvik {
namespace {

constexpr int kIconSize = 16;
constexpr int kButtonHeight = 28;
constexpr int kFirstButtonX = 5;
constexpr int kButtonGap = 10;
// Where the keyword box, "搜索" and "清除" stand in a bar wide enough for them.
constexpr RECT kKeywordBoxRect = {450, 8, 680, 34};
constexpr RECT kSearchButtonRect = {690, 10, 750, 33};
constexpr RECT kClearButtonRect = {760, 10, kBarControlsRight, 33};
constexpr int kControlGap = 10;
constexpr int kRightMargin = 5;
constexpr int kMinKeywordBoxWidth = 150;
constexpr int kLeastKeywordBoxWidth = 80;

int Width(const RECT& rect) { return rect.right - rect.left; }

void Place(HWND window, const RECT& rect) {
  MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

struct MenuButtonInfo {
  int id;
  int icon;
  const char* caption;
};

constexpr MenuButtonInfo kMenuButtons[] = {
    {kMenuButtonHelp, IDI_MENU_HELP, "帮助"},
    {kMenuButtonIndex, IDI_MENU_INDEX, "索引"},
    {kMenuButtonFavourites, IDI_MENU_FAVOURITES, "收藏"},
    {kMenuButtonView, IDI_MENU_VIEW, "查看"},
    {kMenuButtonTools, IDI_MENU_TOOLS, "工具"},
};

}  // namespace

LMenuButton::LMenuButton(int icon_id, const std::string& caption)
    : icon_(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon_id),
                                          IMAGE_ICON, kIconSize, kIconSize, 0))) {
  SetCaption(caption);
}

LMenuButton::~LMenuButton() {
  if (icon_ != nullptr) DestroyIcon(icon_);
}

int LMenuButton::PreferredWidth(HWND parent) const {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, DialogFontOf(parent));
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, Caption().c_str(), static_cast<int>(Caption().size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return 6 + kIconSize + 4 + size.cx + 14;  // margins, icon, gap, text, drop-down mark
}

void LMenuButton::PaintFace(HDC dc, const RECT& rect, bool hot) {
  if (hot) PaintRoundedFace(dc, rect, kColorPaleBlue, kColorLightBlue);
  int top = (rect.bottom - rect.top - kIconSize) / 2;
  if (icon_ != nullptr)
    DrawIconEx(dc, rect.left + 6, top, icon_, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
  RECT text = rect;
  text.left += 6 + kIconSize + 4;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x1E, 0x3C, 0x78));
  HGDIOBJ old = SelectObject(dc, DialogFontOf(Handle()));
  DrawTextA(dc, Caption().c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  // The drop-down mark: a small triangle at the right.
  int x = rect.right - 10;
  int y = (rect.top + rect.bottom) / 2 - 1;
  for (int row = 0; row < 3; ++row) {
    RECT line = {x - 2 + row, y + row, x + 3 - row, y + row + 1};
    FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  }
}

void LMenuButton::OnClick() {
  RECT rect = RectInParent(Handle());
  SendMessageA(GetParent(GetParent(Handle())), kMsgMenuDropDown, static_cast<WPARAM>(Id()),
               reinterpret_cast<LPARAM>(&rect));
}

SearchBar::SearchBar(std::function<void()> on_search)
    : on_search_(std::move(on_search)), keyword_box_(on_search_) {
  background_.Load(IDR_PNG_SEARCH_BAR);
  for (const MenuButtonInfo& info : kMenuButtons)
    buttons_.push_back({info.id, std::make_unique<LMenuButton>(info.icon, info.caption)});
  search_button_.SetCaption("搜索");
  clear_button_.SetCaption("清除");
}

bool SearchBar::CreateBar(HWND parent, const RECT& rect) {
  if (!Create(parent, rect, kSearchBarId, WS_CLIPCHILDREN)) return false;
  CreateChildren();
  return true;
}

void SearchBar::CreateChildren() {
  int x = kFirstButtonX;
  int top = (kSearchBarHeight - kButtonHeight) / 2;
  for (Entry& entry : buttons_) {
    int width = entry.button->PreferredWidth(Handle());
    entry.button->Create(Handle(), RECT{x, top, x + width, top + kButtonHeight}, entry.id);
    x += width + kButtonGap;
  }
  menus_right_ = x - kButtonGap;
  keyword_box_.Create(Handle(), kKeywordBoxRect, 0);
  search_button_.Create(Handle(), kSearchButtonRect, kBarSearchButtonId);
  clear_button_.Create(Handle(), kClearButtonRect, kBarClearButtonId);
  RECT client;
  GetClientRect(Handle(), &client);
  PlaceRightControls(client.right);
}

int SearchBar::MinimumWidth() const {
  return menus_right_ + kControlGap + kMinKeywordBoxWidth + kControlGap + Width(kSearchButtonRect) +
         kControlGap + Width(kClearButtonRect) + kRightMargin;
}

// In a bar narrower than their places, "清除" keeps to the right edge with "搜索" beside it,
// and the keyword box gives up width (down to a least width, then its place after the menu
// buttons).
void SearchBar::PlaceRightControls(int width) {
  if (keyword_box_.Handle() == nullptr) return;
  RECT clear = kClearButtonRect;
  clear.right = std::min<int>(kBarControlsRight, width - kRightMargin);
  clear.left = clear.right - Width(kClearButtonRect);
  RECT search = kSearchButtonRect;
  search.right = clear.left - kControlGap;
  search.left = search.right - Width(kSearchButtonRect);
  RECT box = kKeywordBoxRect;
  box.right = search.left - kControlGap;
  if (box.right - box.left < kMinKeywordBoxWidth)
    box.left = std::max<LONG>(menus_right_ + kControlGap, box.right - kMinKeywordBoxWidth);
  // Narrower than the window's least width (a screen smaller than that): the box stays usable
  // over the menu buttons' end rather than vanish.
  if (box.right - box.left < kLeastKeywordBoxWidth) box.left = box.right - kLeastKeywordBoxWidth;
  Place(keyword_box_.Handle(), box);
  Place(search_button_.Handle(), search);
  Place(clear_button_.Handle(), clear);
}

LMenuButton* SearchBar::MenuButton(int id) {
  for (Entry& entry : buttons_)
    if (entry.id == id) return entry.button.get();
  return nullptr;
}

void SearchBar::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  // The picture has translucent parts: drawn over the last paint they would darken with every
  // repaint, so it always goes onto a fresh white ground.
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  background_.Draw(dc, client);
  EndPaint(Handle(), &paint);
}

bool SearchBar::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_SIZE:  // the picture is stretched over the whole bar
      PlaceRightControls(LOWORD(lparam));
      InvalidateRect(Handle(), nullptr, FALSE);
      return true;
    case WM_COMMAND:
      if (LOWORD(wparam) == kBarSearchButtonId) {
        if (on_search_) on_search_();
      } else if (LOWORD(wparam) == kBarClearButtonId) {
        keyword_box_.Clear();
        keyword_box_.Focus();
      } else {
        SendMessageA(GetParent(Handle()), WM_COMMAND, wparam, lparam);
      }
      return true;
    case kMsgMenuDropDown:
      *result = SendMessageA(GetParent(Handle()), message, wparam, lparam);
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
