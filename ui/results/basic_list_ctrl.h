// CBasicListCtrl: the result list of the search window. An owner-data list view that holds one
// reference to the current SearchResult and asks it for a row's details only when the row is
// drawn; five view modes, column sorting with a marked header, and a tip text per row.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "query/entry_details.h"
#include "query/search_result.h"
#include "ui/results/icon_cache.h"

// An image list, as <commctrl.h> declares it (that header is left to the .cpp files).
typedef struct _IMAGELIST* HIMAGELIST;

namespace sorvik {

constexpr int kResultListId = 101;  // the list's child id in the search window

// View modes; the first four are the list view's own view styles.
constexpr int kViewIcons = 0, kViewDetails = 1, kViewSmallIcons = 2, kViewList = 3,
              kViewThumbnails = 100;

class CSortHeader;
class ResultActions;

// Sorts the whole answer by `key` (kSortName .. kSortSize) in the direction given and shows its
// first page through SetResult; false when the owner leaves sorting to the page shown.
using WholeSort = std::function<bool(int32_t key, bool ascending)>;

class CBasicListCtrl {
 public:
  // Asks the shell for its system image lists (large and small).
  CBasicListCtrl();
  // Releases the result it holds and destroys the list if it still exists.
  ~CBasicListCtrl();
  CBasicListCtrl(const CBasicListCtrl&) = delete;
  CBasicListCtrl& operator=(const CBasicListCtrl&) = delete;

  // Creates the list as child kResultListId of `parent` over `rect` (left, top, right, bottom):
  // owner-data report view that always shows its selection and shares its image lists, without
  // border or client edge; info tips and full-row select; the four columns; the header in
  // "MS Serif" 15 pt, drawing the sort mark. False on failure.
  bool Create(HWND parent, const RECT& rect);
  HWND Handle() const { return hwnd_; }

  // Shows `result`, taking over the caller's reference (null: an empty list). A page cut from
  // a whole answer sorted by a key has that key's column marked, and the next click on it turns
  // the direction; otherwise the header's sort mark is cleared and the sort key and direction
  // of the next click are kept.
  void SetResult(SearchResult* result);
  SearchResult* Result() const { return result_; }
  // Shows `result`, the same page cut from a newly loaded index, in place of the stale one:
  // taking over the caller's reference, it sorts it as the old page was sorted (the header's
  // mark stays), clears the selection and keeps the first visible row where the page still
  // reaches it.
  void ReplaceResult(SearchResult* result);

  // One of the kView modes; other values and the current mode change nothing.
  void SetViewMode(int mode);
  int GetViewMode() const { return mode_; }

  // Sorts by column 0..3: descending, unless the same column was last sorted descending, which
  // turns it ascending. The whole answer when the whole-sort hook takes it (its page comes
  // through SetResult), else the page shown. Marks the column in the header.
  void SortByColumn(int column);
  // The hook a column click asks first; empty: the page shown is sorted.
  void SetWholeSort(WholeSort sort) { whole_sort_ = std::move(sort); }

  // Deletes all rows and detaches both image lists (before the process exits).
  void ReleaseItems();

  int SortMarkColumn() const;  // the header's marked column, -1 for none
  bool SortMarkAscending() const;

  // WM_NOTIFY from the list, forwarded by the parent window: display info and column clicks,
  // then the actions on rows (open, context menu, drag, keys). True when handled, with the
  // message result in *result.
  bool OnNotify(NMHDR* header, LRESULT* result);

  // What the user does with rows: open, context menu, delete, copy, drag.
  ResultActions& Actions() { return *actions_; }

  // The row's tip text: name, size unless a folder, time and folder, then the shell's detail
  // columns of the entry ordered by title. Empty when the row has no details.
  std::string InfoTipText(int row);

 private:
  void OnGetDispInfo(NMHDR* header);
  int ThumbnailImage(int row, const EntryDetails& details);
  // The details of `row` from the page shown. A page found stale here (another process swapped
  // the index in, which this process learns only when it reads) asks its window, once, to run
  // its search again, as the index thread's own swaps do.
  bool RowDetails(int row, EntryDetails* details);
  void InsertColumns();
  void SetHeaderFont();
  void RebuildImageLists();
  void SetRedraw(bool redraw);
  void SetRowCount(size_t rows, DWORD flags);

  HWND hwnd_ = nullptr;                  // the list view while it exists
  SearchResult* result_ = nullptr;       // the page shown; one reference held
  bool refresh_asked_ = false;           // the window was asked to replace the stale page
  int mode_ = kViewDetails;              // current view mode
  bool thumbnails_ = false;              // set while the mode is kViewThumbnails
  int sort_key_ = kSortNone;             // key of the last sort (column + 1)
  bool ascending_ = false;               // direction of the last sort
  std::unique_ptr<CSortHeader> header_;  // the header's subclass, drawing the sort mark
  WholeSort whole_sort_;                 // sorts the whole answer, when the owner does
  HFONT header_font_ = nullptr;          // "MS Serif" 15 pt
  HIMAGELIST large_icons_ = nullptr;     // the shell's system lists, never destroyed here
  HIMAGELIST small_icons_ = nullptr;
  HIMAGELIST thumbnail_list_ = nullptr;  // 96 x 96 slots, one per row, in thumbnail mode
  IconCache icons_;                      // icon key -> system image index

  std::unique_ptr<ResultActions> actions_;  // the actions on the rows
};

// Copies `text` into the buffer of `size` bytes, cut so that it and its terminating zero fit,
// never splitting a double-byte character. Nothing for a null buffer or a size below 1.
void CopyTipText(const std::string& text, char* buffer, int size);

// The key under which a row's icon is cached: ":dir:" for a folder, the upper-case extension
// (".TXT") otherwise; "" (never cached) for .LNK, .EXE, .ICO and names without extension.
std::string IconKeyOf(const EntryDetails& details);

// The shell's byte-size text of `size` ("1.50 KB"); "" for a folder's size (all bits set).
std::string ByteSizeText(uint64_t size);

// Seconds since 1970 (UTC) as local time "YYYY-MM-DD HH:MM"; "" when it cannot be converted.
std::string ModifiedTimeText(uint64_t seconds);

}  // namespace sorvik
