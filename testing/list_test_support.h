// Test support for the result list and the bottom bar: results made from details held in
// memory, and a hidden window that holds the controls and hands the list its notifications.
// Tests only.
#pragma once

#include <windows.h>
// The list view's messages.
#include <commctrl.h>

#include <map>
#include <vector>

#include "query/details_source.h"
#include "query/search_result.h"
#include "ui/results/basic_list_ctrl.h"
#include "widgets/check_list.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace testing {

// Details of entries kept in a map; unknown ids read as empty details. Moving `generation` on
// stands for a new index swapped in: pages made before then are stale.
class FakeDetails : public DetailsSource {
 public:
  uint32_t Generation() override { return generation; }
  bool ReadDetails(uint32_t asked, uint32_t id, EntryDetails* out) override {
    if (asked != generation) return false;
    auto found = entries.find(id);
    *out = found != entries.end() ? found->second : EntryDetails();
    return true;
  }
  bool RecordRemoval(uint32_t asked, uint32_t, const std::string&) override {
    return asked == generation;
  }

  // Adds an entry and returns its id.
  uint32_t Add(const std::string& folder, const std::string& name, uint64_t size,
               uint64_t time = 0) {
    const uint32_t id = static_cast<uint32_t>(entries.size()) + 1;
    entries[id] = EntryDetails{time, size, name, folder};
    return id;
  }

  std::map<uint32_t, EntryDetails> entries;
  uint32_t generation = 1;  // the "loaded index"
};

// A result (one reference) over `source` with the page `ids`.
inline SearchResult* MakeResult(FakeDetails* source, std::vector<uint32_t> ids) {
  auto* result = new SearchResult(source);
  result->ids = std::move(ids);
  return result;
}

// A hidden top-level window that forwards WM_NOTIFY to the list it is given, as the search
// window does.
class ListHolder {
 public:
  ListHolder() {
    InitCommonControls();
    hwnd = CreateHolderWindow("SorvikListTestHolder", Proc, 800, 600);
    CoInitialize(nullptr);
  }
  ~ListHolder() {
    DestroyWindow(hwnd);
    list() = nullptr;
    CoUninitialize();
  }
  ListHolder(const ListHolder&) = delete;
  ListHolder& operator=(const ListHolder&) = delete;

  // The list that receives the notifications.
  static CBasicListCtrl*& list() {
    static CBasicListCtrl* current = nullptr;
    return current;
  }
  HWND hwnd;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (message == WM_NOTIFY && list() != nullptr &&
        list()->OnNotify(reinterpret_cast<NMHDR*>(lparam), &result)) {
      return result;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
};

// The text of cell (row, column) as the list view reports it.
inline std::string CellOf(HWND list, int row, int column) { return CellText(list, row, column); }

inline int RowCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

}  // namespace testing
}  // namespace sorvik
