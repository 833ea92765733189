#include "ui/results/basic_list_ctrl.h"

#include <commctrl.h>
#include <shellapi.h>

#include "ui/command_ids.h"
#include "ui/results/result_actions.h"
#include "ui/results/shell_details.h"
#include "widgets/sort_header.h"

namespace sorvik {
namespace {

constexpr int kColumnCount = 4;

struct ColumnInfo {
  const char* caption;
  int width;
  int format;
};

constexpr ColumnInfo kColumns[kColumnCount] = {
    {"　文件名", 250, LVCFMT_LEFT},
    {"　文件夹", 160, LVCFMT_LEFT},
    {"　最后修改时间", 110, LVCFMT_RIGHT},
    {"　大小", 80, LVCFMT_LEFT},
};

constexpr int kHeaderPointTenths = 150;                  // header font size: 15 pt
constexpr int kThumbnailSpacingX = kThumbnailSize + 24;  // from one thumbnail to the next
constexpr int kThumbnailSpacingY = kThumbnailSize + 48;  // and from row to row

// The shell's system image list, large or small.
HIMAGELIST SystemImageList(bool small) {
  SHFILEINFOA info = {};
  const UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON);
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("", 0, &info, sizeof info, flags));
}

std::string CellText(const EntryDetails& details, int column) {
  switch (column) {
    case 0:
      return details.name;
    case 1:
      return details.folderPath;
    case 2:
      return ModifiedTimeText(details.modifiedTime);
    case 3:
      return ByteSizeText(details.size);
    default:
      return "";
  }
}

bool IsViewMode(int mode) {
  return mode == kViewIcons || mode == kViewDetails || mode == kViewSmallIcons ||
         mode == kViewList || mode == kViewThumbnails;
}

}  // namespace

CBasicListCtrl::CBasicListCtrl()
    : header_(new CSortHeader),
      large_icons_(SystemImageList(false)),
      small_icons_(SystemImageList(true)),
      icons_(SystemIconIndex),
      actions_(new ResultActions(this)) {}

CBasicListCtrl::~CBasicListCtrl() {
  header_->Detach();
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (thumbnail_list_ != nullptr) ImageList_Destroy(thumbnail_list_);
  if (header_font_ != nullptr) DeleteObject(header_font_);
  if (result_ != nullptr) result_->Release();
}

bool CBasicListCtrl::Create(HWND parent, const RECT& rect) {
  if (hwnd_ != nullptr) return false;
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                      LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
  hwnd_ = CreateWindowExA(0, WC_LISTVIEWA, "", style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kResultListId)),
                          GetModuleHandleA(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  const DWORD extended = LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT;
  SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  InsertColumns();
  SetHeaderFont();
  header_->Attach(ListView_GetHeader(hwnd_));
  RebuildImageLists();
  return true;
}

void CBasicListCtrl::InsertColumns() {
  for (int i = 0; i < kColumnCount; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = kColumns[i].format;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<char*>(kColumns[i].caption);
    column.iSubItem = i;
    SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

// A point font as the framework makes one: the height in pixels of 15 pt on the screen.
void CBasicListCtrl::SetHeaderFont() {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(kHeaderPointTenths, GetDeviceCaps(screen, LOGPIXELSY), 720);
  ReleaseDC(nullptr, screen);
  header_font_ = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, "MS Serif");
  SendMessageA(ListView_GetHeader(hwnd_), WM_SETFONT, reinterpret_cast<WPARAM>(header_font_), TRUE);
}

void CBasicListCtrl::SetRedraw(bool redraw) {
  SendMessageA(hwnd_, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
}

void CBasicListCtrl::SetResult(SearchResult* result) {
  if (hwnd_ == nullptr) {
    if (result_ != nullptr) result_->Release();
    result_ = result;
    return;
  }
  SetRedraw(false);
  SendMessageA(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
  if (result_ != nullptr) result_->Release();
  SendMessageA(hwnd_, LVM_SETITEMCOUNT, 0, 0);
  result_ = result;
  refresh_asked_ = false;
  RebuildImageLists();
  if (result_ != nullptr && result_->sortKey() != kSortNone) {
    // A page of a sorted whole answer: the next click on its column turns the direction.
    sort_key_ = result_->sortKey();
    ascending_ = result_->ascending();
    header_->SetMark(sort_key_ - 1, ascending_);
  } else {
    header_->SetMark(-1, header_->MarkAscending());
  }
  SetRowCount(result_ != nullptr ? result_->ids.size() : 0, LVSICF_NOINVALIDATEALL);
  SetRedraw(true);
}

void CBasicListCtrl::SetRowCount(size_t rows, DWORD flags) {
  if (rows > 0) {
    SendMessageA(hwnd_, LVM_SETITEMCOUNT, rows, flags);
  } else {
    SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  }
}

void CBasicListCtrl::ReplaceResult(SearchResult* result) {
  const int32_t key = result_ != nullptr ? result_->sortKey() : kSortNone;
  const bool ascending = result_ != nullptr && result_->ascending();
  if (result != nullptr && key != kSortNone) result->Sort(key, ascending);
  if (hwnd_ == nullptr) {
    if (result_ != nullptr) result_->Release();
    result_ = result;
    return;
  }
  const int top = static_cast<int>(SendMessageA(hwnd_, LVM_GETTOPINDEX, 0, 0));
  SetRedraw(false);
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  if (result_ != nullptr) result_->Release();
  result_ = result;
  refresh_asked_ = false;
  RebuildImageLists();
  const size_t rows = result_ != nullptr ? result_->ids.size() : 0;
  SetRowCount(rows, LVSICF_NOSCROLL);
  // The row count kept the scroll position where it could; a shorter page ends at its last row.
  if (rows > 0 && static_cast<size_t>(top) >= rows)
    SendMessageA(hwnd_, LVM_ENSUREVISIBLE, rows - 1, FALSE);
  SetRedraw(true);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CBasicListCtrl::RebuildImageLists() {
  HIMAGELIST previous = thumbnail_list_;
  thumbnail_list_ = nullptr;
  HIMAGELIST large = large_icons_;
  HIMAGELIST small = small_icons_;
  if (thumbnails_) {
    const int slots = result_ != nullptr ? static_cast<int>(result_->ids.size()) : 0;
    thumbnail_list_ = ImageList_Create(kThumbnailSize, kThumbnailSize, ILC_COLOR24, slots, 4);
    if (thumbnail_list_ != nullptr) ImageList_SetImageCount(thumbnail_list_, slots);
    large = small = thumbnail_list_;
  }
  if (hwnd_ != nullptr) {
    SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    // The system's icon spacing is made for 32-pixel icons: thumbnails get room for their
    // picture and two lines of label, other modes the system's spacing again.
    const LPARAM spacing =
        thumbnails_ ? MAKELPARAM(kThumbnailSpacingX, kThumbnailSpacingY) : MAKELPARAM(-1, -1);
    SendMessageA(hwnd_, LVM_SETICONSPACING, 0, spacing);
    if (thumbnails_) SendMessageA(hwnd_, LVM_ARRANGE, LVA_DEFAULT, 0);
  }
  if (previous != nullptr) ImageList_Destroy(previous);
}

void CBasicListCtrl::SetViewMode(int mode) {
  if (mode == mode_ || !IsViewMode(mode)) return;
  const bool leaving_thumbnails = thumbnails_;
  mode_ = mode;
  thumbnails_ = mode == kViewThumbnails;
  if (hwnd_ == nullptr) return;
  SetRedraw(false);
  const DWORD view = thumbnails_ ? LVS_ICON : static_cast<DWORD>(mode);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
  SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~LVS_TYPEMASK) | view));
  if (mode == kViewSmallIcons || mode == kViewList) {
    SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  }
  SendMessageA(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
  RebuildImageLists();
  SetRedraw(true);
  if (leaving_thumbnails) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void CBasicListCtrl::SortByColumn(int column) {
  if (column < 0 || column >= kColumnCount) return;
  const int key = column + 1;
  const bool ascending = key == sort_key_ && !ascending_;
  if (whole_sort_ && whole_sort_(key, ascending)) {
    if (hwnd_ != nullptr) SendMessageA(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
    return;
  }
  ascending_ = ascending;
  sort_key_ = key;
  header_->SetMark(column, ascending_);
  if (result_ != nullptr) result_->Sort(key, ascending_);
  if (hwnd_ != nullptr) SendMessageA(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
}

void CBasicListCtrl::ReleaseItems() {
  if (hwnd_ == nullptr) return;
  SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
  SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
}

int CBasicListCtrl::SortMarkColumn() const { return header_->MarkColumn(); }

bool CBasicListCtrl::SortMarkAscending() const { return header_->MarkAscending(); }

bool CBasicListCtrl::OnNotify(NMHDR* header, LRESULT* result) {
  if (header == nullptr || hwnd_ == nullptr || header->hwndFrom != hwnd_) return false;
  LRESULT ignored = 0;
  if (header->code == LVN_GETDISPINFOA) {
    OnGetDispInfo(header);
  } else if (header->code == LVN_COLUMNCLICK) {
    SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    InvalidateRect(hwnd_, nullptr, TRUE);
  } else {
    return actions_->OnNotify(header, result != nullptr ? result : &ignored);
  }
  if (result != nullptr) *result = 0;
  return true;
}

bool CBasicListCtrl::RowDetails(int row, EntryDetails* details) {
  if (result_ == nullptr || row < 0 || static_cast<size_t>(row) >= result_->ids.size())
    return false;
  if (result_->GetDetails(result_->ids[row], details)) return true;
  if (!refresh_asked_ && !result_->IsCurrent() && hwnd_ != nullptr) {
    refresh_asked_ = PostMessageA(GetParent(hwnd_), kMsgIndexSwapped, 0, 0) != FALSE;
  }
  return false;
}

void CBasicListCtrl::OnGetDispInfo(NMHDR* header) {
  LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
  EntryDetails details;
  if (!RowDetails(item.iItem, &details)) {
    if ((item.mask & LVIF_TEXT) != 0) CopyTipText("", item.pszText, item.cchTextMax);
    if ((item.mask & LVIF_IMAGE) != 0) item.iImage = I_IMAGENONE;
    return;
  }
  if ((item.mask & LVIF_TEXT) != 0) {
    CopyTipText(CellText(details, item.iSubItem), item.pszText, item.cchTextMax);
  }
  if ((item.mask & LVIF_IMAGE) != 0 && item.iSubItem == 0) {
    const int image = thumbnails_ ? ThumbnailImage(item.iItem, details) : icons_.IndexOf(details);
    item.iImage = image >= 0 ? image : I_IMAGENONE;
  }
}

// Refreshes slot `row` of the thumbnail list; -1 when the shell gives no picture.
int CBasicListCtrl::ThumbnailImage(int row, const EntryDetails& details) {
  if (thumbnail_list_ == nullptr || row >= ImageList_GetImageCount(thumbnail_list_)) return -1;
  HBITMAP picture = MakeThumbnail(details);
  if (picture == nullptr) return -1;
  const bool replaced = ImageList_Replace(thumbnail_list_, row, picture, nullptr);
  DeleteObject(picture);
  return replaced ? row : -1;
}

std::string CBasicListCtrl::InfoTipText(int row) {
  EntryDetails details;
  if (!RowDetails(row, &details)) return "";
  std::string text = "文件名：" + details.name + "\n";
  if (!details.IsFolder()) text += "大　小：" + ByteSizeText(details.size) + "\n";
  text += "修改日期：" + ModifiedTimeText(details.modifiedTime) + "\n";
  text += "文件夹：" + details.folderPath + "\n";
  for (const auto& pair : ShellDetailsOf(details)) text += pair.first + "：" + pair.second + "\n";
  text.pop_back();
  return text;
}

}  // namespace sorvik
