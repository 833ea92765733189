// The left column of the search window: three titled sections stacked in a scrolling panel —
// the category and date tree, the hidden-only switch and the location tree. The panel tells its
// owner when a user's touch asks for a search, and gives its selection as a value; the owner
// runs the search.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/trees/folder_tree.h"
#include "ui/trees/tree_base.h"
#include "widgets/scroll_wnd.h"

namespace sorvik {

class IndexManager;

// What the filters of the panel ask of a search.
struct FilterSelection {
  std::string location;     // the location tree's path; empty for the computer
  int32_t category = 0;     // as sent in the request
  uint8_t hidden_only = 0;  // 1 while the hidden-only switch is on
  int32_t year = 0;         // the category tree's year (2008), or 0
  int32_t month = 0;        // its month, 1..12, or 0
};

// One item of the category tree, found through the item's parameter (an index of the table).
struct CategoryItem {
  int32_t category;  // as sent in the request
  int32_t level;     // 1 category, 2 year, 3 month
  int32_t year;      // full year (2008), or 0
  int32_t month;     // 1..12, or 0
};
static_assert(sizeof(CategoryItem) == 16, "one 16-byte record per tree item");

// A category row of the tree: label, image, category sent, month-code slot asked of the index.
struct CategoryRow {
  const char* label;
  int image;
  int32_t category;
  int slot;
};
extern const CategoryRow kCategoryRows[6];

constexpr int kYearImage = 6;
constexpr int kMonthImage = 7;

// The strip above a section: its title on a pale band.
class SectionHeader : public CWindowBase {
 public:
  explicit SectionHeader(const char* title) : title_(title) {}

 protected:
  const char* ClassName() const override { return "SorvikSectionHeader"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  const char* title_;
};

class FilterPanel : public CScrollWnd {
 public:
  // `on_search` runs when a touch on the panel asks for a search of its selection: another
  // category or location, a click on the selected one, the hidden-only switch.
  FilterPanel(std::function<void()> on_search, IndexManager* index);
  ~FilterPanel() override;
  // The index asked for the month lists; set before CreatePanel.
  void SetIndex(IndexManager* index) { index_ = index; }
  bool CreatePanel(HWND parent, const RECT& rect);

  // The selection to search now, remembered as the one searched (a later touch that leaves the
  // trees' selection as it is asks for no search). False until the panel has made all its
  // children.
  bool TakeSelection(FilterSelection* selection);
  // Selects the first category and location, turns the hidden-only switch off.
  void Reset();
  // Reads the locations again, without the folders the settings now leave out of the index.
  void RefillLocations();

  CTreeBase& CategoryTree() { return category_tree_; }
  CTreeBase& HiddenSwitch() { return hidden_switch_; }
  CFolderTree& LocationTree() { return location_tree_; }
  bool HiddenOnly() const;
  // The record of the category tree's selected item (the first row when none is selected).
  CategoryItem SelectedCategory() const;
  // The rectangles of the six sections in panel coordinates, top to bottom.
  std::vector<RECT> SectionRects() const;

 protected:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  struct Section {
    HWND window;
    int width;
    int height;
    bool visible;
  };
  void CreateSections();
  void FillCategoryTree();
  void FillMonths(HTREEITEM category_item, const CategoryRow& row);
  HTREEITEM InsertCategoryItem(HTREEITEM parent, const std::string& text, int image,
                               const CategoryItem& record);
  void CreateHiddenSwitch();
  // Fills the location tree, keeping the folders left out of the index out of it.
  void FillLocations();
  void ToggleHiddenSwitch();
  void SetHiddenSwitch(bool on);
  void Stack();
  void UpdateTreeSizes();
  bool HandleTreeNotify(NMHDR* header, LRESULT* result);
  void OnTreeTouched(int id, LPARAM how);
  // Asks for a search when a tree's selection is not the one the last search used.
  void SearchIfSelectionMoved();
  void AskForSearch();
  void RememberSelection();

  std::function<void()> on_search_;  // asked for a search of the selection
  IndexManager* index_;
  SectionHeader category_header_{"搜索的文件类型"};
  SectionHeader attribute_header_{"搜索的文件属性"};
  SectionHeader location_header_{"在这里搜索"};
  CTreeBase category_tree_;    // id 500
  CTreeBase hidden_switch_;    // id 501
  CFolderTree location_tree_;  // id 502
  HIMAGELIST category_images_ = nullptr;
  HIMAGELIST switch_images_ = nullptr;
  std::vector<CategoryItem> items_;        // indexed by the category tree items' parameter
  std::vector<Section> sections_;          // the six children, top to bottom
  bool complete_ = false;                  // all children made and filled
  HTREEITEM searched_category_ = nullptr;  // the category item the last search used
  HTREEITEM searched_location_ = nullptr;  // and the location item
};

}  // namespace sorvik
