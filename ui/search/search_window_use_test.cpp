// The search window as a user works it: an index swapped in under a shown page, the reset
// button, and the filter trees' selection and labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "res/resource_ids.h"
#include "testing/list_test_support.h"
#include "testing/search_window_test_support.h"
#include "testing/tree_test_support.h"
#include "ui/command_ids.h"
#include "ui/search/about_dlg.h"

namespace sorvik {
namespace {

using testing::CellOf;
using testing::FakeEnvironment;
using testing::LabelOf;
using testing::LeftClick;
using testing::PumpMessages;
using testing::RowCount;
using testing::SearchWindowTest;
using testing::TestDrive;
using testing::WorkFolder;

constexpr int kSwapDriveFiles = 1000;  // "item-y" files on drive Y: two pages

int SelectedRows(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0));
}

int TopRow(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }

void SelectRow(HWND list, int row) {
  LVITEMA state = {};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

// The ids of page `page` of `request` as the index orders them.
std::vector<uint32_t> OrderedPage(IndexManager* manager, const SearchRequest& request, int page) {
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, page, static_cast<int>(kPageSize), &total);
  if (result == nullptr) return {};
  std::vector<uint32_t> ids = result->ids;
  result->Release();
  return ids;
}

// The ids of page `page` of `request` in `manager`'s index, ascending.
std::vector<uint32_t> PageOf(IndexManager* manager, const SearchRequest& request, int page) {
  std::vector<uint32_t> ids = OrderedPage(manager, request, page);
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Drive Y: holds the "item-y" files; the window runs on an index of Y: alone, and the test
// swaps in new builds of it under the shown page.
class SwapTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_y_.Mapped());
    ASSERT_TRUE(CreateFolder(drive_y_.At("more")));
    char name[32];
    for (int i = 1; i <= kSwapDriveFiles; ++i) {
      std::snprintf(name, sizeof name, "more\\item-y%04d.txt", i);
      ASSERT_TRUE(testing::MakeFile(drive_y_.At(name)));
    }
    work_y_.settings.Set(kConfigAutorun, "false");
    ASSERT_TRUE(BuildIndex(&work_y_.settings, work_y_.build));
    manager_ = std::make_unique<IndexManager>(
        work_y_.work, std::make_unique<FakeEnvironment>(&work_y_.settings, work_y_.build), false);
    manager_->SwapInNewIndex();
    ASSERT_TRUE(manager_->HasLoadedIndex());
    MainWindowOptions options;
    options.index = manager_.get();
    options.settings = &work_y_.settings;
    options.favourites_folder = favourites_.Path();
    window_ = std::make_unique<testing::TestWindow>(options);
    ASSERT_NE(window_->Create(nullptr), nullptr);
  }
  void TearDown() override { window_.reset(); }

  // Builds the index of `drives` and swaps it in, as the index thread does.
  void Rebuild(const char* drives) {
    work_y_.settings.Set(kConfigIndexPosition, drives);
    ASSERT_TRUE(BuildIndex(&work_y_.settings, work_y_.build));
    manager_->SwapInNewIndex();
  }

  // Every row of the list shows the entry its id has in the loaded index, and it is a match.
  void ExpectRowsOfTheLoadedIndex() {
    HWND list = window_->List().Handle();
    SearchResult* shown = window_->List().Result();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(RowCount(list), static_cast<int>(shown->ids.size()));
    for (int row = 0; row < RowCount(list); ++row) {
      EntryDetails details;
      ASSERT_TRUE(manager_->GetDetails(shown->ids[static_cast<size_t>(row)], &details));
      ASSERT_EQ(CellOf(list, row, 0), details.name) << row;
      ASSERT_EQ(CellOf(list, row, 1), details.folderPath) << row;
      ASSERT_EQ(details.name.find("item-y"), 0u) << details.name;
    }
  }

  TestDrive drive_y_{'Y'};
  WorkFolder work_y_{"Y:"};
  std::unique_ptr<IndexManager> manager_;
};

TEST_F(SwapTest, ASwapUnderAShownPageShowsThatPageOfTheNewIndex) {
  HWND list = window_->List().Handle();
  HWND categories = window_->Panel().CategoryTree().Handle();
  Select(categories, Find(categories, nullptr, "全部文件"));
  TypeAndEnter("item-y");
  window_->TurnPage(kLinkNext);
  ASSERT_EQ(window_->Session().Page(), 2);
  window_->List().SortByColumn(0);  // by name
  const bool ascending = window_->List().SortMarkAscending();
  SendMessageA(list, LVM_ENSUREVISIBLE, 150, FALSE);
  const int top = TopRow(list);
  ASSERT_GT(top, 0);
  SelectRow(list, top + 2);
  SearchResult* old_page = window_->List().Result();
  old_page->AddRef();
  std::map<uint32_t, std::string> old_names;
  for (uint32_t id : old_page->ids) {
    EntryDetails details;
    ASSERT_TRUE(old_page->GetDetails(id, &details));
    old_names[id] = details.name;
  }

  // Other files in the same folder: the walk numbers the "item-y" files differently.
  for (int i = 1; i <= 500; ++i)
    ASSERT_TRUE(testing::MakeFile(drive_y_.At("more\\aa" + std::to_string(i) + ".txt")));
  Rebuild("Y:");
  {  // The premise: some old ids name other files in the new index.
    int others = 0;
    for (uint32_t id : old_page->ids) {
      EntryDetails details;
      ASSERT_TRUE(manager_->GetDetails(id, &details));
      others += details.name == old_names[id] ? 0 : 1;
    }
    ASSERT_GT(others, 0);
  }
  {  // Before the window hears of the swap, the stale rows show nothing and tip nothing.
    EXPECT_FALSE(window_->List().Result()->IsCurrent());
    for (int row = top; row < top + 20; ++row) {
      EXPECT_EQ(CellOf(list, row, 0), "") << row;
      EXPECT_EQ(window_->List().InfoTipText(row), "") << row;
    }
  }
  PumpMessages();  // the swap message
  {  // The same page of the same search, read from the new index, sorted and scrolled as before.
    EXPECT_TRUE(window_->List().Result()->IsCurrent());
    EXPECT_EQ(window_->Session().Page(), 2);
    EXPECT_EQ(window_->StatusBar().CountText(), "共找到 1000 个文件,分2页显示");
    std::vector<uint32_t> shown = window_->List().Result()->ids;
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, PageOf(manager_.get(), window_->CurrentRequest(), 2));
    ExpectRowsOfTheLoadedIndex();
    EXPECT_EQ(SelectedRows(list), 0);
    EXPECT_EQ(TopRow(list), top);
    EXPECT_EQ(window_->List().SortMarkColumn(), 0);
    EXPECT_EQ(window_->List().SortMarkAscending(), ascending);
    for (int row = 1; row < RowCount(list); ++row)  // still sorted as it was
      ASSERT_EQ(CellOf(list, row - 1, 0) < CellOf(list, row, 0), ascending) << row;
  }
  {  // The old page itself stays stale for whoever still holds it.
    std::string path;
    EXPECT_FALSE(old_page->GetFullPath(old_page->ids[0], &path));
    old_page->Release();
  }
  {  // A page that is gone gives way to the search's last page.
    char name[32];
    for (int i = 501; i <= kSwapDriveFiles; ++i) {
      std::snprintf(name, sizeof name, "more\\item-y%04d.txt", i);
      RemoveFile(drive_y_.At(name));
    }
    Rebuild("Y:");
    PumpMessages();
    EXPECT_EQ(window_->Session().Page(), 1);  // the last page
    EXPECT_EQ(window_->StatusBar().CountText(), "共找到 500 个文件");
    for (int link = 0; link < kPageLinkCount; ++link)
      EXPECT_FALSE(window_->StatusBar().LinkVisible(link));
    EXPECT_EQ(RowCount(list), 500);
    ExpectRowsOfTheLoadedIndex();
  }
  {  // A search that no longer finds anything explains itself.
    char name[32];
    for (int i = 1; i <= 500; ++i) {
      std::snprintf(name, sizeof name, "more\\item-y%04d.txt", i);
      RemoveFile(drive_y_.At(name));
    }
    Rebuild("Y:");
    PumpMessages();
    EXPECT_EQ(RowCount(list), 0);
    EXPECT_TRUE(IsWindowVisible(window_->NotFoundPanel().Handle()));
  }
}

TEST_F(SwapTest, ASwapByAnotherProcessRefreshesThePageAtItsNextRead) {
  HWND list = window_->List().Handle();
  TypeAndEnter("item-y");
  ASSERT_EQ(RowCount(list), static_cast<int>(kPageSize));
  SearchResult* old_page = window_->List().Result();
  std::vector<std::string> old_names;
  for (int row = 0; row < RowCount(list); ++row) old_names.push_back(CellOf(list, row, 0));
  for (int i = 1; i <= 300; ++i)
    ASSERT_TRUE(testing::MakeFile(drive_y_.At("more\\aa" + std::to_string(i) + ".txt")));
  {  // Another process's manager on the same folders builds and swaps; this one is not told.
    IndexManager other(work_y_.work,
                       std::make_unique<FakeEnvironment>(&work_y_.settings, work_y_.build), false);
    ASSERT_TRUE(BuildIndex(&work_y_.settings, work_y_.build));
    other.SwapInNewIndex();
  }
  // The next read of the index in this process (a tip, a month list; here a search) finds the
  // swap. From then on no row shows another file: rows whose details were read show them, the
  // rest nothing, and the first row read asks for the search again.
  uint32_t total = 0;
  SearchResult* probe = manager_->Search(window_->CurrentRequest(), 1, 1, &total);
  ASSERT_NE(probe, nullptr);
  probe->Release();
  EXPECT_FALSE(old_page->IsCurrent());
  for (int row = 0; row < RowCount(list); row += 7) {
    const std::string cell = CellOf(list, row, 0);
    EXPECT_TRUE(cell.empty() || cell == old_names[static_cast<size_t>(row)]) << row << cell;
  }
  PumpMessages();  // the list's own request to search again
  EXPECT_TRUE(window_->List().Result()->IsCurrent());
  EXPECT_EQ(window_->StatusBar().CountText(), "共找到 1000 个文件,分2页显示");
  ExpectRowsOfTheLoadedIndex();
}

// With "sort_all_results" on, a column click orders the whole answer: page 1 and the pages after
// it come from that order, a second click turns it, and new searches keep it. Off, a click sorts
// the page shown, as before.
TEST_F(SwapTest, ColumnClicksSortTheWholeAnswerWhenAsked) {
  HWND categories = window_->Panel().CategoryTree().Handle();
  Select(categories, Find(categories, nullptr, "全部文件"));
  work_y_.settings.Set(kConfigSortAllResults, "true");
  TypeAndEnter("item-y");
  auto expect_page = [&](int page, const char* first_name) {
    const SearchRequest& request = window_->Session().Request();
    ASSERT_EQ(window_->Session().Page(), page);
    ASSERT_EQ(window_->List().Result()->ids, OrderedPage(manager_.get(), request, page));
    EXPECT_EQ(CellOf(window_->List().Handle(), 0, 0), first_name);
    EXPECT_EQ(window_->List().SortMarkColumn(), request.sortKey - 1);
    EXPECT_EQ(window_->List().SortMarkAscending(), request.sortAscending);
  };
  // The window's first search sorted its page by name, so a click on that column may turn the
  // direction: a second click turns it back to descending, the last of the 1000 first.
  window_->List().SortByColumn(0);
  EXPECT_EQ(window_->Session().Request().sortKey, kSortName);
  if (window_->Session().Request().sortAscending) {
    expect_page(1, "item-y0001.txt");
    window_->List().SortByColumn(0);
  }
  EXPECT_FALSE(window_->Session().Request().sortAscending);
  expect_page(1, "item-y1000.txt");
  window_->TurnPage(kLinkNext);
  expect_page(2, "item-y0200.txt");
  EXPECT_EQ(window_->Session().Total(), static_cast<uint32_t>(kSwapDriveFiles));
  window_->List().SortByColumn(0);  // turned: page 1 again, ascending
  EXPECT_TRUE(window_->Session().Request().sortAscending);
  expect_page(1, "item-y0001.txt");
  TypeAndEnter("item-y09");  // a new search keeps the order
  EXPECT_EQ(window_->Session().Request().sortKey, kSortName);
  expect_page(1, "item-y0900.txt");
  // Off: the click sorts the page shown and the next search takes the index's order.
  work_y_.settings.Set(kConfigSortAllResults, "false");
  TypeAndEnter("item-y");
  EXPECT_EQ(window_->Session().Request().sortKey, kSortNone);
  window_->List().SortByColumn(0);
  EXPECT_EQ(window_->Session().Request().sortKey, kSortNone);
  EXPECT_NE(CellOf(window_->List().Handle(), 0, 0), "item-y1000.txt");
  EXPECT_EQ(window_->Session().Page(), 1);
}

TEST_F(SearchWindowTest, ResetShowsEveryFileEverywhere) {
  HWND categories = window_->Panel().CategoryTree().Handle();
  Select(categories, Find(categories, nullptr, "图　　片"));
  ClickHiddenSwitch();
  TypeAndEnter("secret");
  ASSERT_EQ(ListRows(), 1);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdResetAll, 0);
  const SearchRequest everything = MakeSearchRequest("", "", kCategoryAll, false, 0, 0);
  EXPECT_EQ(window_->Bar().KeywordBox().Text(), "");
  EXPECT_EQ(window_->CurrentRequest().keywords, "");
  EXPECT_EQ(window_->CurrentRequest().category, kCategoryAll);
  EXPECT_EQ(window_->CurrentRequest().hiddenOnly, 0);
  EXPECT_EQ(window_->CurrentRequest().location, "");
  EXPECT_EQ(Shown(), Expected(everything));
  uint32_t total = 0;
  index_->Search(everything, 1, static_cast<int>(kPageSize), &total)->Release();
  char count[96];
  std::snprintf(count, sizeof count, "共找到 %u 个文件,分%u页显示", total,
                (total + kPageSize - 1) / kPageSize);
  EXPECT_EQ(window_->StatusBar().CountText(), count);
}

// What a click, a key or a collapse leaves selected in a filter tree is what the list shows;
// a click on the selected item searches it again.
TEST_F(SearchWindowTest, TheListFollowsTheCategoryTreeSelection) {
  HWND tree = window_->Panel().CategoryTree().Handle();
  HTREEITEM all = Find(tree, nullptr, "全部文件");
  HTREEITEM year = Find(tree, all, "2008年");
  ASSERT_NE(year, nullptr);
  HTREEITEM may = Find(tree, year, "5月");
  {  // a click on a month selects and searches it
    TreeView_Expand(tree, all, TVE_EXPAND);
    TreeView_Expand(tree, year, TVE_EXPAND);
    LeftClick(tree, LabelOf(tree, may));
    ASSERT_EQ(TreeView_GetSelection(tree), may);
    EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256 + 5);
  }
  {  // collapsing "全部文件" by its button moves the selection there, and the search with it
    LeftClick(tree, testing::ButtonOf(tree, all));
    EXPECT_EQ(TreeView_GetSelection(tree), all);
    EXPECT_EQ(window_->CurrentRequest().category, kCategoryAll);
    EXPECT_EQ(window_->CurrentRequest().monthFrom, 0);
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  }
  {  // a click on the selected item searches it again
    window_->RunSearch("photo", "", kCategoryPictures, 0, 0, 0);
    ASSERT_EQ(window_->CurrentRequest().category, kCategoryPictures);
    LeftClick(tree, LabelOf(tree, all));
    EXPECT_EQ(window_->CurrentRequest().category, kCategoryAll);
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  }
  {  // the arrow keys move the selection and the search
    SetFocus(tree);
    SendMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
    HTREEITEM now = TreeView_GetSelection(tree);
    ASSERT_NE(now, all);
    EXPECT_EQ(window_->CurrentRequest().category, window_->Panel().SelectedCategory().category);
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  }
  {  // a double-click that collapses a year over its selected month searches the year
    TreeView_Expand(tree, all, TVE_EXPAND);
    TreeView_Expand(tree, year, TVE_EXPAND);
    TreeView_SelectItem(tree, may);
    const POINT point = LabelOf(tree, year);
    SendMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    EXPECT_EQ(TreeView_GetSelection(tree), year);
    EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256);
    EXPECT_EQ(window_->CurrentRequest().monthTo, (2009 - 1900) * 256);
  }
}

TEST_F(SearchWindowTest, TheBoxShowsTheKeywordsOfTheListShown) {
  {
    auto store = FavoriteStore::Open(favourites_.Path());
    store->Add("春节照片", MakeSearchRequest("photo", "", kCategoryPictures, false, 0, 0));
    ASSERT_TRUE(store->Save());
  }
  HWND tree = window_->Panel().CategoryTree().Handle();
  CQueryEnterWnd& box = window_->Bar().KeywordBox();
  TypeAndEnter("small,西湖风景");
  ASSERT_EQ(window_->CurrentRequest().keywords, "small,西湖风景");
  {  // a favourite puts its keywords in the box
    SendMessageA(window_->Handle(), WM_COMMAND, kCmdFirstFavourite, 0);
    EXPECT_EQ(box.Text(), "photo");
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
    EXPECT_EQ(ListRows(), 2);
  }
  {  // and a category click then searches them
    LeftClick(tree, LabelOf(tree, Find(tree, nullptr, "图　　片")));
    EXPECT_EQ(window_->CurrentRequest().keywords, "photo");
    EXPECT_EQ(window_->CurrentRequest().category, kCategoryPictures);
    EXPECT_EQ(ListRows(), 2);
  }
  {  // "程序附件" shows its ".lnk", and so does a category click after it
    SendMessageA(window_->Handle(), WM_COMMAND, kCmdAccessories, 0);
    ASSERT_EQ(window_->CurrentRequest().keywords, ".lnk");
    EXPECT_EQ(box.Text(), ".lnk");
    LeftClick(tree, LabelOf(tree, Find(tree, nullptr, "全部文件")));
    EXPECT_EQ(window_->CurrentRequest().keywords, ".lnk");
    EXPECT_EQ(window_->CurrentRequest().category, kCategoryAll);
  }
}

TEST_F(SearchWindowTest, FilterTreesNeverEditLabels) {
  FilterPanel& panel = window_->Panel();
  for (HWND tree : {panel.CategoryTree().Handle(), panel.HiddenSwitch().Handle(),
                    panel.LocationTree().Handle()}) {
    EXPECT_FALSE(GetWindowLongA(tree, GWL_STYLE) & TVS_EDITLABELS);
    HTREEITEM item = TreeView_GetSelection(tree);
    if (item == nullptr) item = TreeView_GetRoot(tree);
    TreeView_SelectItem(tree, item);
    {  // asked outright, the tree refuses
      SetFocus(tree);
      EXPECT_EQ(SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)), 0);
    }
    {  // two slow clicks on the selected label open no edit box
      for (int click = 0; click < 2; ++click) {
        LeftClick(tree, LabelOf(tree, item));
        Sleep(GetDoubleClickTime() + 100);
        PumpMessages();
      }
      EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    }
  }
}

// However long the keyword and the path, the explanation's lines all stay inside its panel: the
// long ones are cut with "…".
TEST_F(SearchWindowTest, ALongKeywordLeavesEveryLineOfTheExplanationInSight) {
  const std::string keyword = "没有" + std::string(120, 'k') + "这样的文件";
  const std::string location = "X:\\docs\\" + std::string(100, 'p');
  window_->RunSearch(keyword, location, kCategoryPictures, 0, 2008, 5);
  LHintWnd& panel = window_->NotFoundPanel();
  ASSERT_TRUE(IsWindowVisible(panel.Handle()));
  const std::string text = panel.Text();
  {  // the keyword and path lines are cut, the category and time lines whole
    const size_t keyword_line = text.find("\r\n搜索关键字：没有kkk");
    ASSERT_NE(keyword_line, std::string::npos) << text;
    EXPECT_EQ(text.find("这样的文件"), std::string::npos) << text;
    EXPECT_NE(text.find("…\r\n搜索路径：X:\\docs\\ppp"), std::string::npos) << text;
    EXPECT_NE(text.find("…\r\n搜索分类：图片\r\n文件时间：2008年5月"), std::string::npos) << text;
  }
  {  // and everything fits the panel's height
    RECT client;
    GetClientRect(panel.Handle(), &client);
    EXPECT_LE(panel.TopMargin() + panel.TextHeight(), client.bottom) << text;
  }
  {  // a short keyword is left as it is
    window_->RunSearch("abc-none", "", kCategoryAll, 0, 0, 0);
    EXPECT_NE(panel.Text().find("\r\n搜索关键字：abc-none\r\n"), std::string::npos);
  }
}

TEST_F(SearchWindowTest, TheWindowNeverHidesItsKeywordBoxAndButtons) {
  HWND window = window_->Handle();
  ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, nullptr, 0, 0, 560, 200, SWP_NOZORDER | SWP_NOMOVE);
  RECT client;
  GetClientRect(window, &client);
  RECT clear;
  GetWindowRect(GetDlgItem(window_->Bar().Handle(), kBarClearButtonId), &clear);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&clear), 2);
  EXPECT_LE(clear.right, client.right);
  EXPECT_GE(client.bottom, kMinClientHeight);
}

TEST_F(SearchWindowTest, TheBarsRightHandControlsFollowItsWidth) {
  HWND bar = window_->Bar().Handle();
  auto rect_of = [bar](HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  HWND box = GetParent(window_->Bar().KeywordBox().Edit());
  HWND search = GetDlgItem(bar, kBarSearchButtonId);
  HWND clear = GetDlgItem(bar, kBarClearButtonId);
  RECT tools;
  GetWindowRect(window_->Bar().MenuButton(kMenuButtonTools)->Handle(), &tools);
  MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&tools), 2);
  {  // wide: at their usual places
    MoveWindow(bar, 0, 0, 1000, kSearchBarHeight, TRUE);
    EXPECT_EQ(rect_of(box).left, 450);
    EXPECT_EQ(rect_of(box).right, 680);
    EXPECT_EQ(rect_of(search).left, 690);
    EXPECT_EQ(rect_of(clear).right, kBarControlsRight);
  }
  {  // at the least width and as narrow as a 640-pixel window: all whole, in order, none over
     // another; the box 150 pixels wide at the least width, never under 100 at 630
    for (int width : {window_->Bar().MinimumWidth(), 630}) {
      MoveWindow(bar, 0, 0, width, kSearchBarHeight, TRUE);
      EXPECT_LE(rect_of(clear).right, width) << width;
      EXPECT_LT(rect_of(search).right, rect_of(clear).left) << width;
      EXPECT_LT(rect_of(box).right, rect_of(search).left) << width;
      EXPECT_GE(rect_of(box).right - rect_of(box).left, width > 630 ? 150 : 100) << width;
      EXPECT_GT(rect_of(box).left, tools.right) << width;
    }
  }
  {  // narrower still (a tiny screen): the box keeps a usable width, the buttons stay whole
    MoveWindow(bar, 0, 0, 480, kSearchBarHeight, TRUE);
    EXPECT_LE(rect_of(clear).right, 480);
    EXPECT_GE(rect_of(box).right - rect_of(box).left, 80);
    EXPECT_LT(rect_of(box).right, rect_of(search).left);
  }
  {  // and the window's least width leaves room for them
    ShowWindow(window_->Handle(), SW_RESTORE);
    SetWindowPos(window_->Handle(), nullptr, 0, 0, 640, 400, SWP_NOZORDER | SWP_NOMOVE);
    RECT client;
    GetClientRect(window_->Handle(), &client);
    EXPECT_LE(rect_of(clear).right, client.right);
    EXPECT_GT(rect_of(box).left, tools.right);
  }
}

// What the about box shows when it opens, read from inside its modal loop.
struct AboutSeen {
  bool found = false;
  DWORD selection_start = 1;
  DWORD selection_end = 0;
  bool terms_focused = true;
};
AboutSeen g_about_seen;

void CALLBACK LookAtAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowA(nullptr, "关于 Sorvik");
  if (dialog == nullptr) return;
  KillTimer(nullptr, timer);
  HWND terms = GetDlgItem(dialog, IDC_ABOUT_TERMS);
  g_about_seen.found = true;
  SendMessageA(terms, EM_GETSEL, reinterpret_cast<WPARAM>(&g_about_seen.selection_start),
               reinterpret_cast<LPARAM>(&g_about_seen.selection_end));
  g_about_seen.terms_focused = GetFocus() == terms;
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST(AboutBox, OpensWithNothingSelected) {
  CAboutDlg about;
  SetTimer(nullptr, 0, 100, LookAtAbout);
  about.RunModal(nullptr);
  ASSERT_TRUE(g_about_seen.found);
  EXPECT_EQ(g_about_seen.selection_start, g_about_seen.selection_end);
  EXPECT_FALSE(g_about_seen.terms_focused);
}

}  // namespace
}  // namespace sorvik
