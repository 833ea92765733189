#include "ui/favourites/fav_list_dlg.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "favourites/favorite_order.h"
#include "res/resource_ids.h"
#include "ui/favourites/fav_new_dlg.h"

namespace sorvik {
namespace {

constexpr int kIconSize = 16;
constexpr POINT kDragImageOrigin = {-10, -10};
constexpr POINT kDragHotSpot = {-10, -14};

// The whole text of `item`: a title is never cut, however long it is.
std::string ItemText(HWND list, int item) {
  std::vector<char> text(256);
  for (;;) {
    LVITEMA cell = {};
    cell.pszText = text.data();
    cell.cchTextMax = static_cast<int>(text.size());
    const size_t length = static_cast<size_t>(
        SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell)));
    if (length + 1 < text.size()) return std::string(text.data(), length);
    text.resize(text.size() * 2);
  }
}

LPARAM ItemData(HWND list, int item) {
  LVITEMA cell = {};
  cell.mask = LVIF_PARAM;
  cell.iItem = item;
  ListView_GetItem(list, &cell);
  return cell.lParam;
}

void InsertItem(HWND list, int at, const std::string& text, LPARAM data, bool selected) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  item.iItem = at;
  item.pszText = const_cast<char*>(text.c_str());
  item.iImage = 0;
  item.lParam = data;
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

std::vector<size_t> SelectedItems(HWND list) {
  std::vector<size_t> selected;
  for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(list, item, LVNI_SELECTED))
    selected.push_back(static_cast<size_t>(item));
  return selected;
}

// Bitmap `id` on a white picture of `width` x `height`: the drag image keeps its size, and white
// is what the mask makes see-through.
HBITMAP DragPicture(int id, int width, int height) {
  HBITMAP source = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HDC to = CreateCompatibleDC(screen);
  HDC from = CreateCompatibleDC(screen);
  HGDIOBJ old_to = SelectObject(to, picture);
  RECT all = {0, 0, width, height};
  FillRect(to, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (source != nullptr) {
    BITMAP size = {};
    GetObjectA(source, sizeof size, &size);
    HGDIOBJ old_from = SelectObject(from, source);
    BitBlt(to, 0, (height - size.bmHeight) / 2, size.bmWidth, size.bmHeight, from, 0, 0, SRCCOPY);
    SelectObject(from, old_from);
    DeleteObject(source);
  }
  SelectObject(to, old_to);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return picture;
}

}  // namespace

CFavListDlg::CFavListDlg(const std::string& folder)
    : CDialogBase(IDD_FAV_LIST), folder_(folder), store_(FavoriteStore::Open(folder)) {}

CFavListDlg::~CFavListDlg() {
  EndDragImage();
  if (images_ != nullptr) ImageList_Destroy(images_);
}

BOOL CFavListDlg::OnInit() {
  list_ = Item(IDC_FAV_LIST);
  images_ = ImageList_Create(kIconSize, kIconSize, ILC_COLOR8 | ILC_MASK, 8, 1);
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(IDI_MENU_FAVOURITES), IMAGE_ICON,
                                             kIconSize, kIconSize, 0));
  ImageList_AddIcon(images_, icon);
  DestroyIcon(icon);
  RECT client;
  GetClientRect(list_, &client);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<char*>("标题名称");
  column.cx = client.right - 8;
  SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  SetWindowLongPtrA(list_, GWL_STYLE, GetWindowLongPtrA(list_, GWL_STYLE) | LVS_EDITLABELS);
  FillList();
  ListView_SetImageList(list_, images_, LVSIL_SMALL);
  dragging_ = false;
  over_list_ = false;
  drag_item_ = -1;
  drop_ = -1;
  return TRUE;
}

void CFavListDlg::FillList() {
  for (size_t i = 0; i < store_->Count(); ++i)
    InsertItem(list_, static_cast<int>(i), store_->Item(i).title, static_cast<LPARAM>(i), false);
}

bool CFavListDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kCmdRenameFavourite: {
      const int first = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
      if (first >= 0) {
        SetFocus(list_);
        ListView_EditLabel(list_, first);
      }
      return true;
    }
    case kCmdDeleteFavourites:
      DeleteSelected();
      return true;
    default:
      // Esc and Enter end the dialog without writing anything.
      return CDialogBase::OnCommand(id, code, control);
  }
}

bool CFavListDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom != list_) return false;
  switch (header->code) {
    case NM_RCLICK:
      ShowItemMenu();
      *result = 0;
      return true;
    case LVN_ENDLABELEDITA:
      *result = EndLabelEdit(*reinterpret_cast<NMLVDISPINFOA*>(header)) ? TRUE : FALSE;
      return true;
    case LVN_BEGINDRAG:
      BeginDrag(*reinterpret_cast<NMLISTVIEW*>(header));
      *result = 0;
      return true;
    default:
      return false;
  }
}

void CFavListDlg::ShowItemMenu() {
  const UINT selected = ListView_GetSelectedCount(list_);
  if (selected == 0) return;
  HMENU menu = CreatePopupMenu();
  if (selected == 1) {
    AppendMenuA(menu, MF_STRING, kCmdRenameFavourite, "修改标题");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  }
  AppendMenuA(menu, MF_STRING, kCmdDeleteFavourites, "删除");
  POINT cursor;
  GetCursorPos(&cursor);
  TrackItemMenu(menu, cursor);
  DestroyMenu(menu);
}

void CFavListDlg::TrackItemMenu(HMENU menu, POINT screen) {
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
}

// An empty or cancelled edit leaves the title as it was.
bool CFavListDlg::EndLabelEdit(const NMLVDISPINFOA& edit) {
  return edit.item.pszText != nullptr && edit.item.pszText[0] != '\0';
}

void CFavListDlg::DeleteSelected() {
  if (ListView_GetSelectedCount(list_) == 0) return;
  if (MessageBoxA(Handle(), kDeleteFavouritesQuestion, kFavouritesMessageCaption,
                  MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(list_, -1, LVNI_SELECTED))
    ListView_DeleteItem(list_, item);
}

bool CFavListDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  const POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (message) {
    case WM_MOUSEMOVE:
      if (!dragging_) return false;
      DragOver(point);
      return true;
    case WM_LBUTTONUP:
      if (!dragging_) return false;
      Drop(point);
      return true;
    case WM_CAPTURECHANGED:
      // Capture taken away in the middle of a drag (another window, a key): nothing moves.
      if (dragging_ && reinterpret_cast<HWND>(lparam) != Handle()) {
        dragging_ = false;
        EndDragImage();
        ClearDropHighlight(-1);
      }
      return false;
    case WM_CLOSE:
      if (SaveList()) return false;  // the default processing ends the dialog
      MessageBoxA(Handle(), kFavouritesNotSavedMessage, kFavouritesMessageCaption,
                  MB_OK | MB_ICONWARNING);
      *result = TRUE;
      return true;
    default:
      return false;
  }
}

void CFavListDlg::BeginDrag(const NMLISTVIEW& start) {
  drag_item_ = start.iItem;
  POINT origin = kDragImageOrigin;
  drag_images_ = ListView_CreateDragImage(list_, drag_item_, &origin);
  if (drag_images_ != nullptr) {
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(drag_images_, &width, &height);
    const int picture_id = ListView_GetSelectedCount(list_) > 1 ? IDB_DRAG_MANY : IDB_DRAG_ONE;
    HBITMAP picture = DragPicture(picture_id, width, height);
    ImageList_Replace(drag_images_, 0, picture, picture);
    DeleteObject(picture);
    ImageList_BeginDrag(drag_images_, 0, kDragHotSpot.x, kDragHotSpot.y);
    POINT screen = start.ptAction;
    ClientToScreen(list_, &screen);
    ImageList_DragEnter(GetDesktopWindow(), screen.x, screen.y);
  }
  dragging_ = true;
  drop_ = -1;
  SetCapture(Handle());
}

void CFavListDlg::DragOver(POINT point) {
  POINT screen = point;
  ClientToScreen(Handle(), &screen);
  if (drag_images_ != nullptr) {
    ImageList_DragMove(screen.x, screen.y);
    ImageList_DragShowNolock(FALSE);
  }
  over_list_ = WindowFromPoint(screen) == list_;
  if (!over_list_) {
    ClearDropHighlight(drop_);
    drop_ = -1;
    SetCursor(LoadCursor(nullptr, IDC_NO));
  } else {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (drop_ >= 0) ListView_SetItemState(list_, drop_, 0, LVIS_DROPHILITED);
    LVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(list_, &hit.pt);
    drop_ = ListView_HitTest(list_, &hit);
    if (drop_ >= 0) ListView_SetItemState(list_, drop_, LVIS_DROPHILITED, LVIS_DROPHILITED);
    UpdateWindow(list_);
  }
  if (drag_images_ != nullptr) ImageList_DragShowNolock(TRUE);
}

// Item -1 clears the highlight from every item.
void CFavListDlg::ClearDropHighlight(int item) {
  ListView_SetItemState(list_, item, 0, LVIS_DROPHILITED);
  if (item < 0) InvalidateRect(list_, nullptr, TRUE);
  UpdateWindow(list_);
}

void CFavListDlg::Drop(POINT point) {
  dragging_ = false;
  ReleaseCapture();
  EndDragImage();
  POINT screen = point;
  ClientToScreen(Handle(), &screen);
  if (WindowFromPoint(screen) == list_) MoveItems();
  ClearDropHighlight(-1);
}

void CFavListDlg::EndDragImage() {
  if (drag_images_ == nullptr) return;
  ImageList_DragLeave(GetDesktopWindow());
  ImageList_EndDrag();
  ImageList_Destroy(drag_images_);
  drag_images_ = nullptr;
}

// One selected item: the item the drag began on moves. Several: every selected item moves, in
// list order. They land just before the drop item, or at the end without one; they stay
// selected.
void CFavListDlg::MoveItems() {
  const int count = ListView_GetItemCount(list_);
  std::vector<size_t> moved = SelectedItems(list_);
  if (moved.size() <= 1) {
    if (drag_item_ < 0 || drag_item_ >= count) return;
    moved = {static_cast<size_t>(drag_item_)};
  }
  std::vector<std::pair<std::string, LPARAM>> items;
  for (int item = 0; item < count; ++item)
    items.emplace_back(ItemText(list_, item), ItemData(list_, item));
  const std::vector<size_t> order = MovedOrder(static_cast<size_t>(count), moved, drop_);
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  for (size_t at = 0; at < order.size(); ++at) {
    const bool selected = std::find(moved.begin(), moved.end(), order[at]) != moved.end();
    InsertItem(list_, static_cast<int>(at), items[order[at]].first, items[order[at]].second,
               selected);
  }
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

bool CFavListDlg::SaveList() {
  std::vector<FavoriteEntry> entries;
  const int count = ListView_GetItemCount(list_);
  for (int item = 0; item < count; ++item) {
    const LPARAM index = ItemData(list_, item);
    if (index < 0 || static_cast<size_t>(index) >= store_->Count()) continue;
    entries.push_back(
        FavoriteEntry{ItemText(list_, item), store_->Item(static_cast<size_t>(index)).request});
  }
  return RewriteFavorites(entries, folder_);
}

}  // namespace sorvik
