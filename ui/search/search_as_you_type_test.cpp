// Searching as the user types, driven through the keyword edit's own messages on the real index
// of drive X:: a burst of keys ends on the page of the last text and never goes back to an
// older one, an input method's composition searches only once committed, Enter wins over a
// search still running, the setting off types without searching, and a favourite saves the
// box's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "favourites/favorite_store.h"
#include "res/resource_ids.h"
#include "testing/search_window_test_support.h"
#include "ui/command_ids.h"
#include "ui/search/search_bar.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::PumpMessages;
using testing::SearchWindowTest;

class SearchAsYouTypeTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    work_->settings.Set(kConfigSearchAsYouType, "true");
    SearchWindowTest::SetUp();
    // Every category, so that the "item" files are found.
    HWND categories = window_->Panel().CategoryTree().Handle();
    Select(categories, Find(categories, nullptr, "全部文件"));
  }
  void TearDown() override {
    window_.reset();
    work_->settings.Set(kConfigSearchAsYouType, "true");
  }
  HWND Edit() { return window_->Bar().KeywordBox().Edit(); }
  // One key as the edit gets it from the message loop.
  void Key(char c) { SendMessageA(Edit(), WM_CHAR, static_cast<unsigned char>(c), 0); }
  // Runs the window's messages until no search as you type is outstanding.
  void WaitForTypingSearch() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window_->TypingSearchPending() && std::chrono::steady_clock::now() < give_up) {
      PumpMessages();
      Sleep(1);
    }
    PumpMessages();
    ASSERT_FALSE(window_->TypingSearchPending());
  }
  // Runs the window's messages for a while, to give a late answer the chance to arrive.
  void PumpFor(int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
      PumpMessages();
      Sleep(1);
    }
  }
  SearchRequest AllFiles(const std::string& keywords) {
    return MakeSearchRequest(keywords, "", kCategoryAll, false, 0, 0);
  }
};

TEST_F(SearchAsYouTypeTest, ABurstOfKeysEndsOnThePageOfTheLastText) {
  const std::string text = "item0042";
  const HWND focus = GetFocus();
  size_t shown_length = 0;
  for (char c : text) {
    Key(c);
    PumpMessages();  // answers may come in between the keys
    const std::string& shown = window_->Session().Request().keywords;
    // Always a text typed so far, and never an older one than shown before.
    ASSERT_EQ(text.compare(0, shown.size(), shown), 0) << shown;
    ASSERT_GE(shown.size(), shown_length) << shown;
    shown_length = shown.size();
  }
  WaitForTypingSearch();
  EXPECT_EQ(window_->Session().Request().keywords, text);
  EXPECT_EQ(Shown(), Expected(AllFiles(text)));
  EXPECT_EQ(ListRows(), 1);
  EXPECT_EQ(window_->Session().Total(), 1u);
  // The answers left the focus and the caret where the user types.
  EXPECT_EQ(GetFocus(), focus);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, text.size());
  EXPECT_EQ(end, text.size());
  // Deleting a key searches the shorter text; the not-found panel follows each answer.
  Key('x');
  WaitForTypingSearch();
  EXPECT_EQ(ListRows(), 0);
  EXPECT_TRUE(IsWindowVisible(window_->NotFoundPanel().Handle()));
  Key('\b');
  WaitForTypingSearch();
  EXPECT_EQ(window_->Session().Request().keywords, text);
  EXPECT_EQ(ListRows(), 1);
  EXPECT_FALSE(IsWindowVisible(window_->NotFoundPanel().Handle()));
  // "清除" searches the empty box; text the program puts in the box (a favourite, a shortcut
  // folder) is not searched again.
  SendMessageA(window_->Bar().Handle(), WM_COMMAND, kBarClearButtonId, 0);
  WaitForTypingSearch();
  EXPECT_EQ(Shown(), Expected(AllFiles("")));
  window_->Bar().KeywordBox().SetText("photo");
  EXPECT_FALSE(window_->TypingSearchPending());
}

TEST_F(SearchAsYouTypeTest, AnInputMethodSearchesOnlyTheCommittedText) {
  const SearchRequest before = window_->Session().Request();
  SendMessageA(Edit(), WM_IME_STARTCOMPOSITION, 0, 0);
  // The input method writes its composition string into the edit: no search.
  Key('b');
  Key('g');
  PumpMessages();
  EXPECT_FALSE(window_->TypingSearchPending());
  EXPECT_EQ(window_->Session().Request().keywords, before.keywords);
  // It commits "报告" in place of the composition string.
  SendMessageA(Edit(), EM_SETSEL, 0, -1);
  SendMessageA(Edit(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("报告"));
  EXPECT_FALSE(window_->TypingSearchPending());
  SendMessageA(Edit(), WM_IME_ENDCOMPOSITION, 0, 0);
  PumpMessages();
  WaitForTypingSearch();
  EXPECT_EQ(window_->Session().Request().keywords, "报告");
  EXPECT_EQ(ListRows(), 5);
  // A composition given up leaves the text as it was: nothing is searched.
  SendMessageA(Edit(), WM_IME_STARTCOMPOSITION, 0, 0);
  Key('x');
  Key('\b');
  SendMessageA(Edit(), WM_IME_ENDCOMPOSITION, 0, 0);
  PumpMessages();
  EXPECT_FALSE(window_->TypingSearchPending());
  EXPECT_EQ(ListRows(), 5);
}

TEST_F(SearchAsYouTypeTest, EnterWinsOverASearchStillRunning) {
  for (char c : std::string("item00")) Key(c);  // asked, not yet shown
  ASSERT_TRUE(window_->TypingSearchPending());
  TypeAndEnter("photo");
  EXPECT_FALSE(window_->TypingSearchPending());
  PumpFor(300);  // the answer of "item00" arrives, if at all, after Enter's page
  EXPECT_EQ(window_->Session().Request().keywords, "photo");
  EXPECT_EQ(Shown(), Expected(AllFiles("photo")));
}

TEST_F(SearchAsYouTypeTest, TheSettingOffTypesWithoutSearching) {
  work_->settings.Set(kConfigSearchAsYouType, "false");
  const SearchRequest before = window_->Session().Request();
  for (char c : std::string("item0042")) Key(c);
  EXPECT_FALSE(window_->TypingSearchPending());
  PumpFor(100);
  EXPECT_EQ(window_->Session().Request().keywords, before.keywords);
  std::vector<uint32_t> shown = Shown();  // sorted by name since the start
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, Expected(before));
  // "搜索" still searches the box's text.
  SendMessageA(window_->Bar().Handle(), WM_COMMAND, kBarSearchButtonId, 0);
  EXPECT_EQ(window_->Session().Request().keywords, "item0042");
  EXPECT_EQ(ListRows(), 1);
}

TEST_F(SearchAsYouTypeTest, AFavouriteSavesTheTextInTheBox) {
  work_->settings.Set(kConfigSearchAsYouType, "false");  // the list keeps the earlier search
  TypeAndEnter("photo");
  SendMessageA(Edit(), EM_SETSEL, 5, 5);  // the caret after "photo"
  for (char c : std::string("1*")) Key(c);
  {
    DialogAnswerer add({"收藏"});
    add.before_answer = [](HWND dialog) { SetDlgItemTextA(dialog, IDC_FAV_TITLE, "照片"); };
    SendMessageA(window_->Handle(), WM_COMMAND, kCmdAddFavourite, 0);
  }
  auto store = FavoriteStore::Open(favourites_.Path());
  ASSERT_EQ(store->Count(), 1u);
  EXPECT_EQ(store->Item(0).request.keywords, "photo1 ");  // as the box would search it
  EXPECT_EQ(store->Item(0).request.category, kCategoryAll);
}

TEST_F(SearchAsYouTypeTest, TheWindowClosesWhileASearchRuns) {
  for (char c : std::string("item")) Key(c);
  window_.reset();  // the search is waited for, its answer dropped
  MSG left;
  EXPECT_FALSE(PeekMessageA(&left, nullptr, kMsgTypingAnswer, kMsgTypingAnswer, PM_NOREMOVE));
  // The index is free for the next window.
  uint32_t total = 0;
  SearchResult* result = index_->Search(AllFiles("item"), 1, 800, &total);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(total, static_cast<uint32_t>(testing::kBigFolderFiles));
  result->Release();
}

}  // namespace
}  // namespace sorvik
