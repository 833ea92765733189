#include "tools/ps_button_bar.h"

#include "res/resource_ids.h"

namespace sorvik {
namespace {

constexpr int kIconSize = 16;
constexpr COLORREF kCaptionColour = RGB(0x1E, 0x3C, 0x78);

struct BarButtonInfo {
  int id;
  const char* caption;
  int icon;
  int width;
};
constexpr BarButtonInfo kBarButtons[] = {
    {kOpenFolderButtonId, "打开文件夹", IDI_PS_OPEN_FOLDER, 100},
    {kEndProcessButtonId, "结束进程", IDI_PS_END_PROCESS, 90},
    {kRefreshButtonId, "刷　　新", IDI_PS_REFRESH, 90},
};

}  // namespace

PsBarButton::PsBarButton(int icon_id)
    : icon_(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon_id),
                                          IMAGE_ICON, kIconSize, kIconSize, 0))) {}

PsBarButton::~PsBarButton() {
  if (icon_ != nullptr) DestroyIcon(icon_);
}

void PsBarButton::PaintFace(HDC dc, const RECT& rect, bool hot) {
  if (hot) PaintRoundedFace(dc, rect, kColorPaleBlue, kColorLightBlue);
  const int top = (rect.bottom - rect.top - kIconSize) / 2;
  if (icon_ != nullptr)
    DrawIconEx(dc, rect.left + 6, top, icon_, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
  RECT text = rect;
  text.left += 6 + kIconSize + 4;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kCaptionColour);
  HGDIOBJ old = SelectObject(dc, DialogFontOf(Handle()));
  DrawTextA(dc, Caption().c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

PsButtonBar::PsButtonBar() { background_.Load(IDR_PNG_SEARCH_BAR); }

bool PsButtonBar::CreateIn(HWND parent, const RECT& rect) {
  if (!Create(parent, rect, 0, WS_CLIPCHILDREN)) return false;
  int x = 4;
  for (const BarButtonInfo& info : kBarButtons) {
    auto button = std::make_unique<PsBarButton>(info.icon);
    button->SetCaption(info.caption);
    if (!button->Create(Handle(), RECT{x, 3, x + info.width, kPsBarHeight - 3}, info.id))
      return false;
    x += info.width + 4;
    buttons_.push_back(std::move(button));
  }
  return true;
}

void PsButtonBar::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  if (background_.Empty())
    FillSolid(dc, client, kColorWhite);
  else
    background_.Draw(dc, client);
  EndPaint(Handle(), &paint);
}

bool PsButtonBar::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_COMMAND:
      SendMessageA(GetParent(Handle()), WM_COMMAND, wparam, lparam);
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
