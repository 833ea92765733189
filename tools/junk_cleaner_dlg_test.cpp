#include "tools/junk_cleaner_dlg.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "testing/junk_test_support.h"
#include "testing/test_util.h"
#include "widgets/check_list.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::Exists;
using testing::MakeFolder;
using testing::TempFolder;
using testing::Touch;

// A profile with its temporary folder, a Windows folder with its own and an internet cache in a
// test tree; the recycle bins are only counted. The profile also holds a look-alike
// "Local Settings\Temp" that is no temporary folder of the system's.
class TestPlaces : public JunkPlaces {
 public:
  explicit TestPlaces(const TempFolder& root)
      : profile(root.Join("profile")),
        windows(root.Join("windows")),
        cache(root.Join("cache")),
        user_temp(profile + "\\AppData\\Local\\Temp"),
        look_alike(profile + "\\Local Settings\\Temp") {
    for (const std::string& folder :
         {user_temp, look_alike, windows + "\\Temp", cache + "\\Content.IE5"}) {
      MakeFolder(folder);
      Touch(folder + "\\junk.tmp");
    }
  }
  std::string UserTempFolder() override { return user_temp; }
  std::string SystemTempFolder() override { return windows + "\\Temp"; }
  std::string InternetCacheFolder() override { return cache_answer.empty() ? cache : cache_answer; }
  std::vector<std::string> KeptFolders() override { return {profile, windows}; }
  void EmptyRecycleBins(HWND owner) override {
    (void)owner;
    ++recycle_calls;
  }

  std::string profile, windows, cache, user_temp, look_alike;
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

  CJunkCleanerDlg dialog;
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

TEST(JunkCleanerDlg, NothingCheckedCleansNothingAndStillReportsSuccess) {
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
       {places.user_temp + "\\junk.tmp", places.windows + "\\Temp\\junk.tmp",
        places.cache + "\\Content.IE5\\junk.tmp"})
    EXPECT_TRUE(Exists(file)) << file;
  EXPECT_EQ(places.recycle_calls, 0);
}

TEST(JunkCleanerDlg, CheckedRowsAreCleanedInPlace) {
  TempFolder root;
  {
    // Rows 0 and 2: both temporary folders emptied but kept, the cache left, the bins emptied.
    TestPlaces places(root);
    CleanerRun run(&places);
    run.Press({true, false, true});
    EXPECT_EQ(run.statuses_at_message,
              (std::vector<std::string>{kCleanFinished, kCleanPending, kCleanFinished}));
    EXPECT_FALSE(Exists(places.user_temp + "\\junk.tmp"));
    EXPECT_TRUE(Exists(places.user_temp));
    EXPECT_FALSE(Exists(places.windows + "\\Temp\\junk.tmp"));
    EXPECT_TRUE(Exists(places.windows + "\\Temp"));
    EXPECT_TRUE(Exists(places.look_alike + "\\junk.tmp"));
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

TEST(JunkCleanerDlg, PlacesThatMustNotBeEmptied) {
  TempFolder root;
  {
    // A user temporary folder of five bytes or less, or one the system would fall back to
    // (the profile or the Windows folder): neither is touched, the row still ends as cleaned.
    for (const std::string& answer :
         {std::string("C:\\R"), root.Join("profile"), root.Join("windows")}) {
      TestPlaces places(root);
      places.user_temp = answer;
      CleanerRun run(&places);
      run.Press({true, false, false});
      EXPECT_EQ(run.statuses_at_message[0], kCleanFinished);
      EXPECT_TRUE(Exists(places.profile + "\\AppData\\Local\\Temp\\junk.tmp")) << answer;
      EXPECT_TRUE(Exists(places.look_alike + "\\junk.tmp")) << answer;
      EXPECT_FALSE(Exists(places.windows + "\\Temp\\junk.tmp")) << answer;
    }
  }
  {
    // The cache named as the profile folder itself, or as the Windows folder: both stay whole.
    for (const char* which : {"profile", "windows"}) {
      TestPlaces places(root);
      places.cache_answer = root.Join(which);
      CleanerRun run(&places);
      run.Press({false, true, false});
      EXPECT_TRUE(Exists(places.user_temp + "\\junk.tmp")) << which;
      EXPECT_TRUE(Exists(places.windows + "\\Temp\\junk.tmp")) << which;
      EXPECT_EQ(run.messages, std::vector<std::string>{kCleanDoneText});
    }
  }
}

// The system's own places, with the recycle bins only counted.
class SystemPlacesWithoutBins : public JunkPlaces {
 public:
  void EmptyRecycleBins(HWND owner) override {
    (void)owner;
    ++recycle_calls;
  }
  int recycle_calls = 0;
};

// An environment variable set for a scope and put back afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    char old[MAX_PATH] = {0};
    const DWORD length = GetEnvironmentVariableA(name, old, MAX_PATH);
    had_ = length > 0 && length < MAX_PATH;
    old_ = old;
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

std::string ShellPath(int csidl) {
  char path[MAX_PATH] = {0};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

bool Within(const std::string& path, const std::string& folder) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, path.c_str(),
                        static_cast<int>(std::min(path.size(), folder.size())), folder.c_str(),
                        static_cast<int>(folder.size())) == CSTR_EQUAL;
}

TEST(JunkCleanerDlg, EmptiesTheSystemsTemporaryFoldersAndNoLookAlike) {
  TempFolder root;
  // The user's temporary folder as the system names it, pointed at a test folder by TMP and
  // TEMP as a user may point it; the system's own is the machine's TEMP.
  const std::string user_temp = root.Join("用户临时");
  MakeFolder(user_temp + "\\sub");
  Touch(user_temp + "\\a.tmp");
  Touch(user_temp + "\\sub\\b.tmp");
  ScopedVariable tmp("TMP", user_temp);
  ScopedVariable temp("TEMP", user_temp);
  SystemPlacesWithoutBins places;
  ASSERT_EQ(places.UserTempFolder(), user_temp + "\\");
  const std::string system_temp = places.SystemTempFolder();
  ASSERT_GT(system_temp.size(), 5u);
  ASSERT_FALSE(Within(root.Path(), system_temp));
  const std::string planted = system_temp + "\\sorvik-cleaner-test.tmp";
  Touch(planted);
  ASSERT_TRUE(Exists(planted));
  // Decoys in folders that look like temporary folders: the profile's "Local Settings\Temp" of
  // the old layout (also below the recent-documents folder's parent, where the profile is not
  // on newer layouts), siblings of both temporary folders.
  char windows[MAX_PATH] = {0};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<std::string> decoys = {root.Join("用户临时2"),
                                     root.Join("用户临时.bak"),
                                     Parent(ShellPath(CSIDL_RECENT)) + "\\Local Settings\\Temp",
                                     ShellPath(CSIDL_PROFILE) + "\\Local Settings\\Temp",
                                     std::string(windows) + "\\Temp2",
                                     system_temp + ".old"};
  std::vector<std::string> made;  // folders made outside the test folder, deepest first
  for (const std::string& folder : decoys) {
    if (!Within(folder, root.Path()))
      for (std::string at = folder; !Exists(at); at = Parent(at)) made.push_back(at);
    MakeFolder(folder);
    Touch(folder + "\\decoy.tmp");
    ASSERT_TRUE(Exists(folder + "\\decoy.tmp")) << folder;
  }
  CleanerRun run(&places);
  run.Press({true, false, false});
  EXPECT_EQ(run.statuses_at_message[0], kCleanFinished);
  {  // both temporary folders emptied, and kept
    EXPECT_FALSE(Exists(user_temp + "\\a.tmp"));
    EXPECT_FALSE(Exists(user_temp + "\\sub"));
    EXPECT_TRUE(Exists(user_temp));
    EXPECT_FALSE(Exists(planted));
    EXPECT_TRUE(Exists(system_temp));
  }
  {  // every decoy left
    for (const std::string& folder : decoys) EXPECT_TRUE(Exists(folder + "\\decoy.tmp")) << folder;
  }
  for (const std::string& folder : decoys) DeleteFileA((folder + "\\decoy.tmp").c_str());
  for (const std::string& folder : made) RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace sorvik
