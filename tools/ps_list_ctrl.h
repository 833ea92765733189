// CPsListCtrl: one list of the process list window, an owner-data report view. Its window holds
// the records; the list holds only their order (row r shows record RecordAt(r)) and asks the
// window for each cell through LVN_GETDISPINFO. Its header, in the flat look, marks the sort
// column.
#pragma once

#include <windows.h>
// The list view types need the types of <windows.h>.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/ps_data.h"
#include "widgets/sort_header.h"

namespace sorvik {

class CPsListCtrl {
 public:
  CPsListCtrl() : header_(HeaderLook::kFlat) {}
  CPsListCtrl(const CPsListCtrl&) = delete;
  CPsListCtrl& operator=(const CPsListCtrl&) = delete;

  struct Column {
    const char* heading;
    int format;  // LVCFMT_LEFT or LVCFMT_RIGHT
    int width;
  };
  // Creates the list as child `id` of `parent` with `columns`, the small icons `images` (shared,
  // not destroyed) and its header in `header_font` (kept by the caller). False on failure.
  bool Create(HWND parent, int id, const std::vector<Column>& columns, HIMAGELIST images,
              HFONT header_font);
  HWND Handle() const { return hwnd_; }

  // Shows records 0 .. count - 1 in that order, with no row selected.
  void ShowRecords(size_t count);
  // Orders the rows by `sort`, `compare` telling how two records compare by its column
  // (negative, 0, positive); equal rows keep their order. The selected record stays selected,
  // and the header marks the column.
  void Sort(const SortState& sort, const std::function<int(int, int)>& compare);
  int SortColumn() const { return header_.MarkColumn(); }
  bool SortAscending() const { return header_.MarkAscending(); }
  // True while Sort moves the selection to the selected record's new row.
  bool MovingSelection() const { return moving_selection_; }

  // The record row `row` shows; -1 when there is no such row.
  int RecordAt(int row) const;
  // The row that shows `record`; -1 when none does.
  int RowOf(int record) const;
  // The selected row's record, or -1.
  int SelectedRecord() const;
  // Removes the row of `record` after its record left the window's records: the records after
  // it moved down by one, and so do the numbers the rows hold.
  void RemoveRecord(int record);
  // LVN_ODFINDITEMA or LVN_ODFINDITEMW (Wine sends the wide one to every parent): the first row
  // from the notice's start on (wrapping when asked) whose first-column text, as
  // `name_of(record)` gives it, starts with (or is) the text typed; -1 for none.
  int FindRow(const NMHDR* notice, const std::function<std::string(int)>& name_of) const;

 private:
  HWND hwnd_ = nullptr;            // the list view while it exists
  CSortHeader header_;             // paints the header and its sort mark
  std::vector<int> order_;         // row -> record
  bool moving_selection_ = false;  // set while Sort reselects
};

// Copies `text` into the display-info buffer of `item` (cut to its size).
void SupplyText(LVITEMA* item, const std::string& text);

}  // namespace sorvik
