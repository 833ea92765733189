#include "ui/search/filter_panel.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "index/folder_exclusion.h"
#include "lifecycle/index_manager.h"
#include "query/search_request.h"
#include "res/resource_ids.h"
#include "ui/command_ids.h"
#include "ui/trees/location_tree.h"

namespace sorvik {

const CategoryRow kCategoryRows[6] = {
    {"全部文件", 0, kCategoryAll, 0},       {"文 件 夹", 1, kCategoryFolders, 1},
    {"文　　档", 2, kCategoryDocuments, 3}, {"图　　片", 3, kCategoryPictures, 2},
    {"音 视 频", 4, kCategoryMedia, 5},     {"应用程序", 5, kCategoryApplications, 4},
};

namespace {

constexpr int kCategoryItemHeight = 19;
constexpr int kCategoryImageSize = 15;
constexpr int kSwitchImageSize = 14;
constexpr int kHeaderHeight = 22;
constexpr int kFirstSectionY = 5;
constexpr int kSectionGap = 5;
constexpr int kIndent = 3;
constexpr int kStackMargin = 10;  // below the last section
constexpr COLORREF kMaskColour = RGB(0xFF, 0x00, 0xFF);
constexpr char kHiddenSwitchLabel[] = "只查看隐藏的";
constexpr UINT kItemFocused = 0x0001;  // the tree item state "focused" (TVIS_FOCUSED)

HIMAGELIST LoadStrip(int bitmap_id, int size) {
  return ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmap_id), size, 0,
                              kMaskColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

HTREEITEM FirstRoot(HWND tree) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

void SelectItem(HWND tree, HTREEITEM item) {
  if (item != nullptr)
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

}  // namespace

bool SectionHeader::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)wparam;
  (void)lparam;
  if (message != WM_PAINT) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  FillSolid(dc, client, kColorPaleBlue);
  FillSolid(dc, RECT{client.left, client.bottom - 1, client.right, client.bottom}, kColorLightBlue);
  RECT text = client;
  text.left += 6;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x1E, 0x3C, 0x78));
  HGDIOBJ old = SelectObject(dc, DialogFontOf(Handle()));
  DrawTextA(dc, title_, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  EndPaint(Handle(), &paint);
  *result = 0;
  return true;
}

FilterPanel::FilterPanel(std::function<void()> on_search, IndexManager* index)
    : on_search_(std::move(on_search)), index_(index) {}

FilterPanel::~FilterPanel() {
  // The trees go before their image lists.
  DestroyWindow(category_tree_.Handle());
  DestroyWindow(hidden_switch_.Handle());
  if (category_images_ != nullptr) ImageList_Destroy(category_images_);
  if (switch_images_ != nullptr) ImageList_Destroy(switch_images_);
}

bool FilterPanel::CreatePanel(HWND parent, const RECT& rect) {
  if (!Create(parent, rect, kFilterPanelId, WS_CLIPCHILDREN)) return false;
  CreateSections();
  RememberSelection();
  complete_ = true;
  return true;
}

void FilterPanel::CreateSections() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right - 2 * kIndent;
  const RECT header = {kIndent, 0, kIndent + width, kHeaderHeight};
  const RECT tree = {kIndent, 0, kIndent + width, 100};
  category_header_.Create(Handle(), header, 0);
  category_tree_.Create(Handle(), tree, kCategoryTreeId);
  attribute_header_.Create(Handle(), header, 0);
  hidden_switch_.Create(Handle(), tree, kHiddenSwitchId);
  location_header_.Create(Handle(), header, 0);
  location_tree_.Create(Handle(), tree, kLocationTreeId);
  for (HWND window :
       {category_header_.Handle(), category_tree_.Handle(), attribute_header_.Handle(),
        hidden_switch_.Handle(), location_header_.Handle(), location_tree_.Handle()})
    sections_.push_back({window, width, kHeaderHeight, true});

  for (CTreeBase* each :
       {&category_tree_, &hidden_switch_, static_cast<CTreeBase*>(&location_tree_)})
    SendMessageA(each->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DialogFontOf(Handle())),
                 FALSE);
  SendMessageA(category_tree_.Handle(), TVM_SETITEMHEIGHT, kCategoryItemHeight, 0);
  category_images_ = LoadStrip(IDB_CATEGORY_IMAGES, kCategoryImageSize);
  SendMessageA(category_tree_.Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
               reinterpret_cast<LPARAM>(category_images_));
  CreateHiddenSwitch();
  FillLocations();
  FillCategoryTree();
  for (CTreeBase* each :
       {&category_tree_, &hidden_switch_, static_cast<CTreeBase*>(&location_tree_)})
    each->MeasureContent();
  Stack();
}

void FilterPanel::FillLocations() {
  // The folders left out of the index are no place to search in.
  const FolderExclusion left_out(SplitExcludeList(index_ ? index_->ExcludeList() : ""));
  location_tree_.SetLeftOut(
      [left_out](const std::string& path) { return left_out.LeavesOut(path); });
  FillLocationTree(&location_tree_);
}

void FilterPanel::RefillLocations() {
  if (location_tree_.Handle() == nullptr) return;
  FillLocations();
  location_tree_.MeasureContent();
  Stack();
}

void FilterPanel::CreateHiddenSwitch() {
  switch_images_ = LoadStrip(IDB_SWITCH_IMAGES, kSwitchImageSize);
  SendMessageA(hidden_switch_.Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL,
               reinterpret_cast<LPARAM>(switch_images_));
  TVINSERTSTRUCTA insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(kHiddenSwitchLabel);
  SendMessageA(hidden_switch_.Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
}

HTREEITEM FilterPanel::InsertCategoryItem(HTREEITEM parent, const std::string& text, int image,
                                          const CategoryItem& record) {
  items_.push_back(record);
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = static_cast<LPARAM>(items_.size() - 1);
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(category_tree_.Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void FilterPanel::FillCategoryTree() {
  for (const CategoryRow& row : kCategoryRows) {
    HTREEITEM item = InsertCategoryItem(TVI_ROOT, row.label, row.image, {row.category, 1, 0, 0});
    FillMonths(item, row);
  }
  SelectItem(category_tree_.Handle(), FirstRoot(category_tree_.Handle()));
}

void FilterPanel::FillMonths(HTREEITEM category_item, const CategoryRow& row) {
  std::vector<uint16_t> codes;
  if (index_ != nullptr) index_->MonthCodesOf(row.slot, &codes);
  int previous_year = -1;
  HTREEITEM year_item = nullptr;
  char text[32];
  for (uint16_t code : codes) {
    const int year = (code >> 8) + 1900;
    const int month = code & 0xFF;
    // Equal years are grouped only when their codes are next to each other.
    if (year != previous_year) {
      std::snprintf(text, sizeof text, "%d年", year);
      year_item = InsertCategoryItem(category_item, text, kYearImage, {row.category, 2, year, 0});
      previous_year = year;
    }
    std::snprintf(text, sizeof text, "%d月", month);
    InsertCategoryItem(year_item, text, kMonthImage, {row.category, 3, year, month});
  }
}

bool FilterPanel::HiddenOnly() const {
  TVITEMA item = {};
  item.mask = TVIF_IMAGE;
  item.hItem = FirstRoot(hidden_switch_.Handle());
  if (item.hItem == nullptr) return false;
  SendMessageA(hidden_switch_.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage == 1;
}

void FilterPanel::SetHiddenSwitch(bool on) {
  TVITEMA item = {};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  item.hItem = FirstRoot(hidden_switch_.Handle());
  if (item.hItem == nullptr) return;
  item.iImage = item.iSelectedImage = on ? 1 : 0;
  item.stateMask = TVIS_SELECTED | kItemFocused;
  item.state = on ? TVIS_SELECTED | kItemFocused : 0;
  SendMessageA(hidden_switch_.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void FilterPanel::ToggleHiddenSwitch() {
  SetHiddenSwitch(!HiddenOnly());
  AskForSearch();
  InvalidateRect(hidden_switch_.Handle(), nullptr, TRUE);
}

CategoryItem FilterPanel::SelectedCategory() const {
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = reinterpret_cast<HTREEITEM>(
      SendMessageA(category_tree_.Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item.hItem != nullptr &&
      SendMessageA(category_tree_.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
      item.lParam >= 0 && static_cast<size_t>(item.lParam) < items_.size())
    return items_[static_cast<size_t>(item.lParam)];
  return {kCategoryRows[0].category, 1, 0, 0};
}

void FilterPanel::RememberSelection() {
  searched_category_ = TreeView_GetSelection(category_tree_.Handle());
  searched_location_ = TreeView_GetSelection(location_tree_.Handle());
}

void FilterPanel::SearchIfSelectionMoved() {
  if (TreeView_GetSelection(category_tree_.Handle()) != searched_category_ ||
      TreeView_GetSelection(location_tree_.Handle()) != searched_location_)
    AskForSearch();
}

void FilterPanel::OnTreeTouched(int id, LPARAM how) {
  if (id != kCategoryTreeId && id != kLocationTreeId) return;  // the switch handles its clicks
  if (how == kTreeReselected)
    AskForSearch();  // a click on the selected item searches it again
  else
    SearchIfSelectionMoved();
}

void FilterPanel::AskForSearch() {
  if (complete_ && on_search_) on_search_();
}

bool FilterPanel::TakeSelection(FilterSelection* selection) {
  if (!complete_) return false;
  RememberSelection();
  if (!location_tree_.SelectedPath(&selection->location)) selection->location.clear();
  const CategoryItem category = SelectedCategory();
  selection->category = category.category;
  selection->hidden_only = HiddenOnly() ? 1 : 0;
  selection->year = category.year;
  selection->month = category.month;
  return true;
}

void FilterPanel::Reset() {
  SelectItem(category_tree_.Handle(), FirstRoot(category_tree_.Handle()));
  SetHiddenSwitch(false);
  InvalidateRect(hidden_switch_.Handle(), nullptr, TRUE);
  SelectItem(location_tree_.Handle(), FirstRoot(location_tree_.Handle()));
}

void FilterPanel::UpdateTreeSizes() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = std::max(0, static_cast<int>(client.right) - 2 * kIndent);
  for (Section& section : sections_) section.width = width;
  const CTreeBase* trees[] = {&category_tree_, &hidden_switch_, &location_tree_};
  for (int i = 0; i < 3; ++i) {
    Section& section = sections_[static_cast<size_t>(2 * i + 1)];
    section.width = std::max(width, trees[i]->ContentWidth() + 4);
    section.height = std::max(trees[i]->ContentHeight(), 1) + 4;
  }
}

void FilterPanel::Stack() {
  if (sections_.empty()) return;
  UpdateTreeSizes();
  int y = kFirstSectionY;
  int widest = 0;
  for (const Section& section : sections_) {
    if (!section.visible) continue;
    SetWindowPos(section.window, nullptr, kIndent - PositionX(), y - PositionY(), section.width,
                 section.height, SWP_NOZORDER | SWP_NOACTIVATE);
    y += section.height + kSectionGap;
    widest = std::max(widest, section.width);
  }
  SetVirtualSize(widest + 2 * kIndent, y - kSectionGap + kStackMargin);
}

std::vector<RECT> FilterPanel::SectionRects() const {
  std::vector<RECT> rects;
  for (const Section& section : sections_) rects.push_back(RectInParent(section.window));
  return rects;
}

bool FilterPanel::HandleTreeNotify(NMHDR* header, LRESULT* result) {
  const int id = static_cast<int>(header->idFrom);
  if (id == kHiddenSwitchId && header->code == NM_CLICK) {
    ToggleHiddenSwitch();
    *result = 1;  // the switch keeps its own selected state
    return true;
  }
  if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
    if (id == kCategoryTreeId || id == kLocationTreeId) AskForSearch();
    *result = 0;
    return true;
  }
  if (header->code == TVN_ITEMEXPANDEDA || header->code == TVN_ITEMEXPANDEDW) {
    // A collapse over the selected item moves the selection to the collapsed one.
    if (id == kCategoryTreeId || id == kLocationTreeId) SearchIfSelectionMoved();
  }
  CTreeBase* trees[] = {&category_tree_, &hidden_switch_, &location_tree_};
  for (CTreeBase* tree : trees)
    if (header->hwndFrom == tree->Handle()) return tree->OnNotify(header, result);
  return false;
}

bool FilterPanel::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_NOTIFY:
      return HandleTreeNotify(reinterpret_cast<NMHDR*>(lparam), result);
    case kMsgTreeMeasured:
      Stack();
      *result = 0;
      return true;
    case kMsgTreeTouched:
      OnTreeTouched(static_cast<int>(wparam), lparam);
      *result = 0;
      return true;
    case WM_SIZE:
      CScrollWnd::OnMessage(message, wparam, lparam, result);
      Stack();
      return true;
    default:
      return CScrollWnd::OnMessage(message, wparam, lparam, result);
  }
}

}  // namespace sorvik
