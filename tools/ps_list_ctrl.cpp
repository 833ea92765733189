#include "tools/ps_list_ctrl.h"

#include <algorithm>

#include "widgets/ansi_text.h"

namespace sorvik {
namespace {

void SelectRow(HWND list, int row) {
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// `name` starts with `searched` (is it, unless `partial`), letter case aside.
bool NameMatches(const std::string& name, const std::string& searched, bool partial) {
  const size_t length = searched.size();
  if (partial ? name.size() < length : name.size() != length) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(),
                        static_cast<int>(length), searched.c_str(),
                        static_cast<int>(length)) == CSTR_EQUAL;
}

}  // namespace

void SupplyText(LVITEMA* item, const std::string& text) {
  if (item->pszText == nullptr || item->cchTextMax <= 0) return;
  lstrcpynA(item->pszText, text.c_str(), item->cchTextMax);
}

bool CPsListCtrl::Create(HWND parent, int id, const std::vector<Column>& columns, HIMAGELIST images,
                         HFONT header_font) {
  hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                              LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  if (images != nullptr) ListView_SetImageList(hwnd_, images, LVSIL_SMALL);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = columns[i].width;
    column.pszText = const_cast<char*>(columns[i].heading);
    column.iSubItem = static_cast<int>(i);
    SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  HWND header = ListView_GetHeader(hwnd_);
  if (header != nullptr) {
    SendMessageA(header, WM_SETFONT, reinterpret_cast<WPARAM>(header_font), TRUE);
    header_.Attach(header);
  }
  return true;
}

void CPsListCtrl::ShowRecords(size_t count) {
  ListView_DeleteAllItems(hwnd_);
  order_.resize(count);
  for (size_t i = 0; i < count; ++i) order_[i] = static_cast<int>(i);
  ListView_SetItemCountEx(hwnd_, static_cast<int>(count), 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CPsListCtrl::Sort(const SortState& sort, const std::function<int(int, int)>& compare) {
  header_.SetMark(sort.column, sort.ascending);
  const int selected = SelectedRecord();
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
    const int order = compare(a, b);
    return (sort.ascending ? order : -order) < 0;
  });
  // The selection stays with its record, as it does in a list that holds its items.
  if (selected >= 0) {
    moving_selection_ = true;
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SelectRow(hwnd_, RowOf(selected));
    moving_selection_ = false;
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

int CPsListCtrl::RecordAt(int row) const {
  return row >= 0 && row < static_cast<int>(order_.size()) ? order_[row] : -1;
}

int CPsListCtrl::RowOf(int record) const {
  auto found = std::find(order_.begin(), order_.end(), record);
  return found == order_.end() ? -1 : static_cast<int>(found - order_.begin());
}

int CPsListCtrl::SelectedRecord() const {
  return RecordAt(ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED));
}

void CPsListCtrl::RemoveRecord(int record) {
  const int row = RowOf(record);
  if (row < 0) return;
  order_.erase(order_.begin() + row);
  for (int& shown : order_)
    if (shown > record) --shown;
  ListView_DeleteItem(hwnd_, row);
}

int CPsListCtrl::FindRow(const NMHDR* notice,
                         const std::function<std::string(int)>& name_of) const {
  // The two notices differ only in the width of the text searched.
  const auto* find = reinterpret_cast<const NMLVFINDITEMA*>(notice);
  const UINT flags = find->lvfi.flags;
  if ((flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find->lvfi.psz == nullptr) return -1;
  const std::string searched =
      notice->code == LVN_ODFINDITEMW
          ? WideToAnsi(reinterpret_cast<const NMLVFINDITEMW*>(notice)->lvfi.psz)
          : std::string(find->lvfi.psz);
  const int count = static_cast<int>(order_.size());
  const int start = find->iStart >= 0 && find->iStart < count ? find->iStart : 0;
  const int steps = (flags & LVFI_WRAP) != 0 ? count : count - start;
  for (int step = 0; step < steps; ++step) {
    const int row = (start + step) % count;
    if (NameMatches(name_of(order_[row]), searched, (flags & LVFI_PARTIAL) != 0)) return row;
  }
  return -1;
}

}  // namespace sorvik
