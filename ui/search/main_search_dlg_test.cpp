#include "ui/search/main_search_dlg.h"

#include <gtest/gtest.h>

#include <set>

#include "query/search_result.h"
#include "settings/object_directory.h"
#include "testing/index_test_support.h"
#include "testing/search_window_test_support.h"
#include "testing/snapshot_test_support.h"
#include "ui/command_ids.h"
#include "ui/search/menu_text.h"
#include "ui/search/not_found_text.h"
#include "ui/trees/location_tree.h"

namespace sorvik {
namespace {

using testing::SearchWindowTest;

TEST_F(SearchWindowTest, StartsWithTheDocumentsSortedByName) {
  EXPECT_EQ(ObjectDirectory::Find<MainSearchDlg>(kMainWindowKey), window_.get());
  const SearchRequest& request = window_->CurrentRequest();
  EXPECT_EQ(request.category, kCategoryDocuments);
  EXPECT_TRUE(request.keywords.empty());
  EXPECT_EQ(ListRows(), 5);
  EXPECT_EQ(window_->List().SortMarkColumn(), 0);
  EXPECT_FALSE(window_->List().SortMarkAscending());
  EXPECT_FALSE(IsWindowVisible(window_->NotFoundPanel().Handle()));
  char title[128] = {0};
  GetWindowTextA(window_->Handle(), title, sizeof title);
  EXPECT_STREQ(title, kMainWindowTitle);
}

TEST_F(SearchWindowTest, TypedKeywordsAreNormalisedAndSearched) {
  Select(window_->Panel().CategoryTree().Handle(),
         Find(window_->Panel().CategoryTree().Handle(), nullptr, "全部文件"));
  TypeAndEnter("item00*1");  // "*" becomes a blank: two words "item00" and "1"... (1 byte: skipped)
  EXPECT_EQ(window_->CurrentRequest().keywords, "item00 1");
  EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  TypeAndEnter("photo1，photo2");  // the full-width comma separates alternatives
  EXPECT_EQ(window_->CurrentRequest().keywords, "photo1,photo2");
  EXPECT_EQ(ListRows(), 2);
  TypeAndEnter("报告　1?doc");  // full-width space and "?" separate words
  EXPECT_EQ(window_->CurrentRequest().keywords, "报告 1 doc");
  EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  // The bar's "搜索" button searches as Enter does; "清除" only empties the box.
  window_->Bar().KeywordBox().SetText("歌曲");
  SendMessageA(window_->Bar().Handle(), WM_COMMAND, kBarSearchButtonId, 0);
  EXPECT_EQ(ListRows(), 1);
  SendMessageA(window_->Bar().Handle(), WM_COMMAND, kBarClearButtonId, 0);
  EXPECT_EQ(window_->Bar().KeywordBox().Text(), "");
  EXPECT_EQ(window_->CurrentRequest().keywords, "歌曲");
}

TEST_F(SearchWindowTest, PinyinSettingFindsNamesByInitials) {
  Select(window_->Panel().CategoryTree().Handle(),
         Find(window_->Panel().CategoryTree().Handle(), nullptr, "全部文件"));
  TypeAndEnter("bg");  // off by default: no name holds "bg"
  EXPECT_FALSE(window_->CurrentRequest().pinyin);
  EXPECT_EQ(ListRows(), 0);
  work_->settings.Set(kConfigPinyinSearch, "true");  // as the options window stores it
  TypeAndEnter("bg");
  EXPECT_TRUE(window_->CurrentRequest().pinyin);
  EXPECT_EQ(ListRows(), 5);  // 报告1.doc .. 报告5.doc
  TypeAndEnter("BG3");
  EXPECT_EQ(ListRows(), 1);
  TypeAndEnter("gq,photo1");  // 歌曲.mp3 by initials, photo1.jpg by its name
  EXPECT_EQ(ListRows(), 2);
  work_->settings.Set(kConfigPinyinSearch, "false");
  TypeAndEnter("bg");
  EXPECT_EQ(ListRows(), 0);
}

TEST_F(SearchWindowTest, LiveUpdateListsNewFilesWithoutARebuild) {
  Select(window_->Panel().CategoryTree().Handle(),
         Find(window_->Panel().CategoryTree().Handle(), nullptr, "全部文件"));
  environment_->live_update = true;
  index_->StartLiveUpdate();
  ASSERT_TRUE(testing::WaitUntil([] { return index_->GetLiveStatus().systemWatches > 0; }))
      << index_->GetLiveStatus().failures;
  TypeAndEnter("live0");
  EXPECT_EQ(ListRows(), 0);
  auto rows_become = [&](int rows) {
    return testing::WaitUntil([&] {
      testing::PumpMessages();  // the watch thread only posts; the window searches again on its own
      return ListRows() == rows;
    });
  };
  {  // a file made while the window shows the search turns up in it, and goes when deleted
    ASSERT_TRUE(testing::MakeFile(drive_->At("docs\\live01.txt")));
    ASSERT_TRUE(testing::MakeFile(drive_->At("docs\\live02.doc")));
    EXPECT_TRUE(rows_become(2));
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
    ASSERT_TRUE(RemoveFile(drive_->At("docs\\live01.txt")));
    EXPECT_TRUE(rows_become(1));
    EXPECT_EQ(window_->List().Result()->IsCurrent(), true);
  }
  {  // turned off: the index as built again
    environment_->live_update = false;
    EXPECT_TRUE(rows_become(0));
    ASSERT_TRUE(RemoveFile(drive_->At("docs\\live02.doc")));
    EXPECT_EQ(index_->GetLiveStatus().layerSize, 0u);
  }
}

TEST_F(SearchWindowTest, CategoryAndMonthNodesNarrowTheSearch) {
  HWND tree = window_->Panel().CategoryTree().Handle();
  HTREEITEM pictures = Find(tree, nullptr, "图　　片");
  HTREEITEM year = Find(tree, pictures, "2008年");
  ASSERT_NE(year, nullptr);
  EXPECT_NE(Find(tree, year, "5月"), nullptr);
  EXPECT_NE(Find(tree, year, "7月"), nullptr);
  Select(tree, pictures);
  EXPECT_EQ(window_->CurrentRequest().category, kCategoryPictures);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, 0);
  EXPECT_EQ(ListRows(), 3);
  Select(tree, year);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256);
  EXPECT_EQ(window_->CurrentRequest().monthTo, (2009 - 1900) * 256);
  Select(tree, Find(tree, year, "5月"));
  EXPECT_EQ(window_->CurrentRequest().category, kCategoryPictures);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256 + 5);
  EXPECT_EQ(window_->CurrentRequest().monthTo, (2008 - 1900) * 256 + 6);
  EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  EXPECT_EQ(ListRows(), 1);
  for (const CategoryRow& row : kCategoryRows) {
    Select(tree, Find(tree, nullptr, row.label));
    EXPECT_EQ(window_->CurrentRequest().category, row.category) << row.label;
    EXPECT_EQ(Shown(), Expected(window_->CurrentRequest())) << row.label;
  }
}

TEST_F(SearchWindowTest, HiddenSwitchLocationAndReset) {
  HWND categories = window_->Panel().CategoryTree().Handle();
  Select(categories, Find(categories, nullptr, "图　　片"));
  ClickHiddenSwitch();
  EXPECT_EQ(window_->CurrentRequest().hiddenOnly, 1);
  EXPECT_TRUE(window_->Panel().HiddenOnly());
  EXPECT_EQ(ListRows(), 1);
  ClickHiddenSwitch();
  EXPECT_EQ(window_->CurrentRequest().hiddenOnly, 0);
  EXPECT_EQ(ListRows(), 3);

  HWND locations = window_->Panel().LocationTree().Handle();
  HTREEITEM computer =
      reinterpret_cast<HTREEITEM>(SendMessageA(locations, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  Select(locations, Find(locations, computer, LocationLabel("X:\\")));
  EXPECT_EQ(window_->CurrentRequest().location, "X:\\");
  EXPECT_EQ(Shown(), Expected(window_->CurrentRequest()));
  EXPECT_EQ(ListRows(), 3);

  window_->Bar().KeywordBox().SetText("photo");
  ClickHiddenSwitch();
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdResetAll, 0);
  EXPECT_FALSE(window_->Panel().HiddenOnly());
  EXPECT_EQ(window_->Panel().SelectedCategory().category, kCategoryAll);
  EXPECT_TRUE(window_->CurrentRequest().location.empty());  // the computer has no path
  EXPECT_EQ(window_->Bar().KeywordBox().Text(), "");
}

TEST_F(SearchWindowTest, NothingFoundShowsWhatWasAsked) {
  TypeAndEnter("nothing-like-this");
  EXPECT_TRUE(IsWindowVisible(window_->NotFoundPanel().Handle()));
  EXPECT_EQ(window_->NotFoundPanel().Text(),
            ComposeNotFoundText("nothing-like-this", "", kCategoryAll, 0, 0).text);
  EXPECT_EQ(window_->StatusBar().CountText(), "共找到 0 个文件");
  TypeAndEnter("报告");
  EXPECT_FALSE(IsWindowVisible(window_->NotFoundPanel().Handle()));
}

TEST(NotFoundText, LinesForEachFilter) {
  NotFoundText empty = ComposeNotFoundText("", "", -1, 0, 0);
  EXPECT_EQ(empty.text,
            "抱歉，没有找到文件！请更换您的搜索条件！\r\n搜索关键字：无\r\n搜索路径： "
            "我的电脑\r\n搜索分类：全部文件");
  EXPECT_EQ(empty.top_margin, 15);
  // Two bytes or fewer follow the "none" words.
  EXPECT_NE(ComposeNotFoundText("歌", "C:", 0, 0, 0)
                .text.find("搜索关键字：无歌\r\n搜索路径： 我的电脑C:"),
            std::string::npos);
  NotFoundText full = ComposeNotFoundText("报告 2008", "D:\\Music", 5, 2008, 3);
  EXPECT_EQ(
      full.text,
      "抱歉，没有找到文件！请更换您的搜索条件！\r\n搜索关键字：报告 2008\r\n搜索路径：D:\\Music"
      "\r\n搜索分类：视频\r\n文件时间：2008年3月");
  EXPECT_EQ(full.top_margin, 10);
  EXPECT_NE(ComposeNotFoundText("ab", "", 2, 2010, 0).text.find("\r\n文件时间：2010年"),
            std::string::npos);
  EXPECT_EQ(ComposeNotFoundText("abc", "", 1, 0, 0).text.find("搜索分类"), std::string::npos);
}

TEST_F(SearchWindowTest, PagesOfALargeResult) {
  HWND categories = window_->Panel().CategoryTree().Handle();
  Select(categories, Find(categories, nullptr, "全部文件"));
  TypeAndEnter("item");
  EXPECT_EQ(window_->StatusBar().CountText(), "共找到 1700 个文件,分3页显示");
  EXPECT_EQ(ListRows(), 800);
  EXPECT_FALSE(window_->StatusBar().LinkVisible(0));
  EXPECT_TRUE(window_->StatusBar().LinkVisible(3));
  window_->TurnPage(2);  // "下一页"
  EXPECT_EQ(window_->Session().Page(), 2);
  EXPECT_EQ(Shown(), Expected(window_->CurrentRequest(), 2));
  EXPECT_EQ(ListRows(), 800);
  window_->TurnPage(3);  // "尾　页"
  EXPECT_EQ(ListRows(), 100);
  EXPECT_EQ(window_->StatusBar().CountText(), "共找到 1700 个文件,分3页显示");
}

TEST_F(SearchWindowTest, LayoutOnceAndTheSplitter) {
  RECT client;
  GetClientRect(window_->Handle(), &client);
  const int before = window_->LayoutCount();
  SendMessageA(window_->Handle(), WM_SIZE, 0, MAKELPARAM(900, 700));
  SendMessageA(window_->Handle(), WM_SIZE, 0, MAKELPARAM(900, 700));
  EXPECT_EQ(window_->LayoutCount(), before + 1);
  RECT list;
  GetWindowRect(window_->List().Handle(), &list);
  MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 165);
  EXPECT_EQ(list.right - list.left, 900 - kAdColumnExpanded - 160 - 7);

  auto panel_width = [&] {
    RECT rect;
    GetWindowRect(window_->Panel().Handle(), &rect);
    return static_cast<int>(rect.right - rect.left);
  };
  SendMessageA(window_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(161, 200));
  SendMessageA(window_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 200));
  EXPECT_EQ(panel_width(), 160);
  SendMessageA(window_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(220, 200));
  EXPECT_EQ(panel_width(), 220);
  SendMessageA(window_->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(220, 200));
  GetWindowRect(window_->List().Handle(), &list);
  MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 225);

  SendMessageA(window_->Handle(), WM_COMMAND, kCmdToggleAdColumn, 0);
  EXPECT_EQ(window_->AdColumnWidth(), kAdColumnCollapsed);
  EXPECT_FALSE(IsWindowVisible(window_->AdColumn().Handle()));
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdToggleAdColumn, 0);
  EXPECT_EQ(window_->AdColumnWidth(), kAdColumnExpanded);
  EXPECT_TRUE(IsWindowVisible(window_->AdColumn().Handle()));
}

TEST_F(SearchWindowTest, FavouritesReplayTheirSearch) {
  {
    auto store = FavoriteStore::Open(favourites_.Path());
    store->Add("所有照片", MakeSearchRequest("photo", "", kCategoryPictures, false, 0, 0));
    store->Add("五月", MakeSearchRequest("photo", "X:", kCategoryPictures, false, 2008, 5));
    ASSERT_TRUE(store->Save());
  }
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdFirstFavourite + 1, 0);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256 + 5);
  EXPECT_EQ(window_->CurrentRequest().location, "X:");
  EXPECT_EQ(ListRows(), 1);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdFirstFavourite, 0);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, 0);
  EXPECT_EQ(ListRows(), 2);
  // Entries beyond the list, and the id after the last menu slot, change nothing.
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdFirstFavourite + 2, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdLastFavourite + 1, 0);
  EXPECT_EQ(window_->CurrentRequest().keywords, "photo");
  EXPECT_EQ(ListRows(), 2);

  HMENU menu = window_->BuildDropDown(kMenuButtonFavourites);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 8);  // four commands, two separators, two favourites
  char caption[64] = {0};
  GetMenuStringA(menu, kCmdFirstFavourite + 1, caption, sizeof caption, MF_BYCOMMAND);
  EXPECT_STREQ(caption, "五月");
  DestroyMenu(menu);
}

TEST_F(SearchWindowTest, LongFavouriteTitlesAreCutInTheMenu) {
  std::string long_title;
  for (int i = 0; i < 390; ++i) long_title += "春";  // 780 bytes
  {
    auto store = FavoriteStore::Open(favourites_.Path());
    store->Add(long_title, MakeSearchRequest("photo", "", kCategoryPictures, false, 0, 0));
    store->Add("A&B", MakeSearchRequest("photo", "", kCategoryPictures, false, 0, 0));
    ASSERT_TRUE(store->Save());
  }
  HMENU menu = window_->BuildDropDown(kMenuButtonFavourites);
  ASSERT_NE(menu, nullptr);
  char caption[1024] = {0};
  GetMenuStringA(menu, kCmdFirstFavourite, caption, sizeof caption, MF_BYCOMMAND);
  const std::string shown = caption;
  {  // the long title: whole characters, then "…", and far narrower than the screen
    EXPECT_EQ(shown, long_title.substr(0, kMenuTitleBytes) + "…");
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    EXPECT_LT(size.cx, GetSystemMetrics(SM_CXSCREEN) / 2);
  }
  {  // an odd cut never splits a character; "&" shows as itself
    EXPECT_EQ(MenuTitle("a" + long_title), "a" + long_title.substr(0, kMenuTitleBytes - 2) + "…");
    EXPECT_EQ(MenuTitle(long_title.substr(0, kMenuTitleBytes)), long_title.substr(0, 60));
    GetMenuStringA(menu, kCmdFirstFavourite + 1, caption, sizeof caption, MF_BYCOMMAND);
    EXPECT_STREQ(caption, "A&&B");
  }
  DestroyMenu(menu);
  {  // the file keeps the whole title, and the favourite still runs
    auto store = FavoriteStore::Open(favourites_.Path());
    EXPECT_EQ(store->Item(0).title, long_title);
    SendMessageA(window_->Handle(), WM_COMMAND, kCmdFirstFavourite, 0);
    EXPECT_EQ(window_->CurrentRequest().keywords, "photo");
  }
}

TEST_F(SearchWindowTest, MenusAndCommands) {
  struct Expect {
    int button;
    std::vector<int> ids;  // 0 for a separator
  };
  const Expect menus[] = {
      {kMenuButtonHelp, {kCmdAbout, 0, kCmdHelpPage, kCmdFeedback}},
      {kMenuButtonIndex, {kCmdIndexOptions, 0, kCmdRefreshIndex}},
      {kMenuButtonFavourites,
       {kCmdAddFavourite, kCmdOrganiseFavourites, 0, kCmdAdminTools, kCmdAccessories}},
      {kMenuButtonTools, {kCmdSystemOptions, kCmdProcessList, kCmdJunkCleaner, kCmdDesktopTweaks}},
      {kMenuButtonView,
       {ID_VIEW_THUMBNAILS, ID_VIEW_ICONS, ID_VIEW_SMALL_ICONS, ID_VIEW_LIST, ID_VIEW_DETAILS}},
  };
  for (const Expect& expect : menus) {
    HMENU menu = window_->BuildDropDown(expect.button);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expect.ids.size())) << expect.button;
    for (size_t i = 0; i < expect.ids.size(); ++i)
      EXPECT_EQ(static_cast<int>(GetMenuItemID(menu, static_cast<int>(i))),
                expect.ids[i] == 0 ? 0 : expect.ids[i]);
    DestroyMenu(menu);
  }
  // The view menu checks the list's mode; the commands switch it.
  SendMessageA(window_->Handle(), WM_COMMAND, ID_VIEW_THUMBNAILS, 0);
  EXPECT_EQ(window_->List().GetViewMode(), kViewThumbnails);
  HMENU view = window_->BuildDropDown(kMenuButtonView);
  EXPECT_TRUE(GetMenuState(view, ID_VIEW_THUMBNAILS, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(view, ID_VIEW_DETAILS, MF_BYCOMMAND) & MF_CHECKED);
  DestroyMenu(view);
  SendMessageA(window_->Handle(), WM_COMMAND, ID_VIEW_DETAILS, 0);
  EXPECT_EQ(window_->List().GetViewMode(), kViewDetails);

  SendMessageA(window_->Handle(), WM_COMMAND, kCmdHelpPage, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdFeedback, 0);
  EXPECT_EQ(window_->urls, (std::vector<std::string>{kHelpPageUrl, kFeedbackPageUrl}));
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdAbout, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdQuickStart, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdJunkCleaner, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdDesktopTweaks, 0);
  EXPECT_EQ(window_->dialogs, 4);
  // Enter and Esc leave the window alone; closing hides it; the tray command shows it again.
  SendMessageA(window_->Handle(), WM_COMMAND, IDOK, 0);
  SendMessageA(window_->Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(IsWindow(window_->Handle()));
  SendMessageA(window_->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window_->Handle()));
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdShowWindow, 0);
  EXPECT_TRUE(IsWindowVisible(window_->Handle()));
  SendMessageA(window_->Handle(), WM_COMMAND, kCmdExit, 0);
  EXPECT_EQ(window_->ended, 1);
}

TEST_F(SearchWindowTest, NoticeLinesRotate) {
  NoticeLines lines = {"第一条\thttp://127.0.0.1/a\t提示", "第二条"};
  ASSERT_TRUE(MainSearchDlg::PostNotices(window_->Handle(), std::make_shared<NoticeLines>(lines)));
  testing::PumpMessages();
  auto notice = [&] {
    char text[64] = {0};
    GetWindowTextA(window_->StatusBar().NoticeHandle(), text, sizeof text);
    return std::string(text);
  };
  SendMessageA(window_->Handle(), WM_TIMER, kNoticeTimer, 0);
  EXPECT_EQ(notice(), "第一条");
  SendMessageA(window_->Handle(), WM_TIMER, kNoticeTimer, 0);
  EXPECT_EQ(notice(), "第二条");
  SendMessageA(window_->Handle(), WM_TIMER, 1, 0);  // any timer turns the line
  EXPECT_EQ(notice(), "第一条");
}

}  // namespace
}  // namespace sorvik
