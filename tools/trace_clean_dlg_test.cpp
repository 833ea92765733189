#include "tools/trace_clean_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "testing/test_util.h"
#include "tools/junk_test_support.h"
#include "widgets/check_list.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::Exists;
using testing::MakeFolder;
using testing::TempFolder;
using testing::Touch;

// A profile, a Windows folder and an internet cache in a test tree; the recycle bins are
// only counted.
class TestPlaces : public JunkPlaces {
 public:
  explicit TestPlaces(const TempFolder& root)
      : profile(root.Join("profile")),
        windows(root.Join("windows")),
        cache(root.Join("cache")),
        recent(profile + "\\Recent") {
    for (const std::string& folder : {recent, profile + "\\Local Settings\\Temp",
                                      windows + "\\Temp", cache + "\\Content.IE5"}) {
      MakeFolder(folder);
      Touch(folder + "\\junk.tmp");
    }
  }
  std::string RecentFolder() override { return recent; }
  std::string WindowsFolder() override { return windows + "\\"; }
  std::string InternetCacheFolder() override { return cache_answer.empty() ? cache : cache_answer; }
  std::vector<std::string> KeptFolders() override { return {profile, windows}; }
  void EmptyRecycleBins(HWND owner) override {
    (void)owner;
    ++recycle_calls;
  }

  std::string profile, windows, cache, recent;
  std::string cache_answer;  // what the shell names as the cache, when not `cache`
  int recycle_calls = 0;
};

// The dialog created modelessly and its "立即清理" pressed, with the statuses seen while the
// success message shows.
class CleanerRun {
 public:
  explicit CleanerRun(JunkPlaces* places) : dialog(places) { dialog.Create(nullptr); }
  HWND List() const { return dialog.Item(IDC_CLEAN_LIST); }
  void Press(std::vector<bool> checked) {
    for (int row = 0; row < kCleanRowCount; ++row) SetRowChecked(List(), row, checked[row]);
    current_ = this;
    HHOOK hook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    DialogAnswerer answerer({kCleanCaption});
    SendMessageA(dialog.Handle(), WM_COMMAND, IDC_CLEAN_NOW, 0);
    UnhookWindowsHookEx(hook);
    messages = answerer.texts;
  }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> statuses;
    for (int row = 0; row < ListRowCount(List()); ++row)
      statuses.push_back(CellText(List(), row, 1));
    return statuses;
  }

  CTraceCleanDlg dialog;
  std::vector<std::string> statuses_at_message;
  std::vector<std::string> messages;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    char title[64] = {0};
    if (code == HCBT_ACTIVATE) GetWindowTextA(reinterpret_cast<HWND>(wparam), title, sizeof title);
    if (std::string(title) == kCleanCaption && current_->statuses_at_message.empty())
      current_->statuses_at_message = current_->Statuses();
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline CleanerRun* current_ = nullptr;
};

TEST(TraceCleanDlg, NothingCheckedCleansNothingAndStillReportsSuccess) {
  TempFolder root;
  TestPlaces places(root);
  CleanerRun run(&places);
  // Every row starts checked.
  for (int row = 0; row < kCleanRowCount; ++row) EXPECT_EQ(RowStateImage(run.List(), row), 2);
  run.Press({false, false, false});
  EXPECT_EQ(run.messages, std::vector<std::string>{kCleanDoneText});
  EXPECT_EQ(run.statuses_at_message, std::vector<std::string>(3, kCleanPending));
  EXPECT_FALSE(IsWindow(run.dialog.Handle()));
  for (const std::string& file :
       {places.profile + "\\Local Settings\\Temp\\junk.tmp", places.windows + "\\Temp\\junk.tmp",
        places.cache + "\\Content.IE5\\junk.tmp"})
    EXPECT_TRUE(Exists(file)) << file;
  EXPECT_EQ(places.recycle_calls, 0);
}

TEST(TraceCleanDlg, CheckedRowsAreCleanedInPlace) {
  TempFolder root;
  {
    // Rows 0 and 2: both temporary folders emptied but kept, the cache left, the bins emptied.
    TestPlaces places(root);
    CleanerRun run(&places);
    run.Press({true, false, true});
    EXPECT_EQ(run.statuses_at_message,
              (std::vector<std::string>{kCleanFinished, kCleanPending, kCleanFinished}));
    EXPECT_FALSE(Exists(places.profile + "\\Local Settings\\Temp\\junk.tmp"));
    EXPECT_TRUE(Exists(places.profile + "\\Local Settings\\Temp"));
    EXPECT_FALSE(Exists(places.windows + "\\Temp\\junk.tmp"));
    EXPECT_TRUE(Exists(places.windows + "\\Temp"));
    EXPECT_TRUE(Exists(places.recent + "\\junk.tmp"));
    EXPECT_TRUE(Exists(places.cache + "\\Content.IE5\\junk.tmp"));
    EXPECT_EQ(places.recycle_calls, 1);
  }
  {
    // Row 1: the cache's contents go, the cache folder stays.
    TestPlaces places(root);
    CleanerRun run(&places);
    run.Press({false, true, false});
    EXPECT_FALSE(Exists(places.cache + "\\Content.IE5"));
    EXPECT_TRUE(Exists(places.cache));
    EXPECT_TRUE(Exists(places.windows + "\\Temp\\junk.tmp"));
  }
}

TEST(TraceCleanDlg, PlacesThatMustNotBeEmptied) {
  TempFolder root;
  {
    // A recent-documents path of five bytes or less: neither temporary folder is touched, the
    // row still ends as cleaned.
    TestPlaces places(root);
    places.recent = "C:\\R";
    CleanerRun run(&places);
    run.Press({true, false, false});
    EXPECT_EQ(run.statuses_at_message[0], kCleanFinished);
    EXPECT_TRUE(Exists(places.windows + "\\Temp\\junk.tmp"));
    EXPECT_TRUE(Exists(places.profile + "\\Local Settings\\Temp\\junk.tmp"));
  }
  {
    // The cache named as the profile folder itself, or as the Windows folder: both stay whole.
    for (const char* which : {"profile", "windows"}) {
      TestPlaces places(root);
      places.cache_answer = root.Join(which);
      CleanerRun run(&places);
      run.Press({false, true, false});
      EXPECT_TRUE(Exists(places.profile + "\\Local Settings\\Temp\\junk.tmp")) << which;
      EXPECT_TRUE(Exists(places.windows + "\\Temp\\junk.tmp")) << which;
      EXPECT_EQ(run.messages, std::vector<std::string>{kCleanDoneText});
    }
  }
}

}  // namespace
}  // namespace sorvik
