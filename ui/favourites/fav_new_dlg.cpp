#include "ui/favourites/fav_new_dlg.h"

#include "res/resource_ids.h"

namespace sorvik {
namespace {

constexpr POINT kIconAt = {30, 30};
constexpr RECT kHeadingRect = {70, 35, 300, 60};
constexpr char kHeading[] = "添加到收藏";

std::string WindowText(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

}  // namespace

CFavNewDlg::CFavNewDlg(std::string* title) : CDialogBase(IDD_FAV_NEW), title_(title) {}

CFavNewDlg::~CFavNewDlg() {
  if (font_ != nullptr) DeleteObject(font_);
}

BOOL CFavNewDlg::OnInit() {
  icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MENU_FAVOURITES));
  font_ = CreateFontA(20, 0, 0, 0, 500, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 32, "Arial");
  return TRUE;
}

bool CFavNewDlg::OnCommand(int id, int code, HWND control) {
  if (id != IDOK) return CDialogBase::OnCommand(id, code, control);
  // The title is taken as typed: not trimmed, and a title already in use is allowed.
  *title_ = WindowText(Item(IDC_FAV_TITLE));
  if (title_->empty()) {
    MessageBoxA(Handle(), kEmptyTitleMessage, kFavouritesMessageCaption, MB_OK);
    return true;
  }
  End(IDOK);
  return true;
}

bool CFavNewDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  (void)lparam;
  if (message != WM_PAINT) return false;
  Paint();
  *result = TRUE;
  return true;
}

void CFavNewDlg::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  if (icon_ != nullptr) DrawIcon(dc, kIconAt.x, kIconAt.y, icon_);
  HGDIOBJ old_font = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  const int old_mode = SetBkMode(dc, TRANSPARENT);
  RECT rect = kHeadingRect;
  DrawTextA(dc, kHeading, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  SetBkMode(dc, old_mode);
  SelectObject(dc, old_font);
  EndPaint(Handle(), &paint);
}

bool AddFavourite(HWND owner, const SearchRequest& current, const std::string& folder) {
  std::string title;
  CFavNewDlg dialog(&title);
  if (dialog.RunModal(owner) != IDOK) return false;
  auto favourites = FavoriteStore::Open(folder);
  favourites->Add(title, current);
  if (favourites->Save()) return true;
  MessageBoxA(owner, kFavouriteNotAddedMessage, kFavouritesMessageCaption, MB_OK | MB_ICONWARNING);
  return false;
}

}  // namespace sorvik
