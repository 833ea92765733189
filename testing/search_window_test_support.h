// Test support for the search window: a window whose outward steps are recorded, and a fixture
// that builds a real index of drive X: (documents, pictures of two months, a hidden picture and
// a folder of 1700 files) and opens the window on it. Tests only.
#pragma once

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "query/search_result.h"
#include "settings/config_store.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"
#include "ui/command_ids.h"
#include "ui/search/main_search_dlg.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace testing {

constexpr int kBigFolderFiles = 1700;      // three pages of "item" files
constexpr int64_t kMay2008 = 1210420800;   // 2008-05-10 12:00 UTC
constexpr int64_t kJuly2008 = 1214913600;  // 2008-07-01 12:00 UTC

// The search window with the process-ending and outward-looking steps recorded instead.
class TestWindow : public MainSearchDlg {
 public:
  using MainSearchDlg::MainSearchDlg;
  int ended = 0;
  std::vector<std::string> urls;
  int dialogs = 0;

 protected:
  void EndProcess() override { ++ended; }
  void OpenUrl(const std::string& url) override { urls.push_back(url); }
  void RunDialog(CDialogBase* dialog) override {
    (void)dialog;
    ++dialogs;
  }
};

// Drive X: with documents, pictures of two months, a hidden picture, and a folder of 1700
// files; a real index of it; favourites and settings in a temporary folder.
class SearchWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitialize(nullptr);
    lock_ = new TestDriveLock;
    drive_ = new TestDrive('X');
    ASSERT_TRUE(drive_->Mapped());
    MakeTree();
    work_ = new WorkFolder("X:");
    work_->settings.Set(kConfigAutorun, "false");
    ASSERT_TRUE(BuildIndex(&work_->settings, work_->build));
    auto environment = std::make_unique<FakeEnvironment>(&work_->settings, work_->build);
    environment_ = environment.get();
    index_ = new IndexManager(work_->work, std::move(environment), false);
    index_->SwapInNewIndex();
    ASSERT_TRUE(index_->HasLoadedIndex());
  }
  static void TearDownTestSuite() {
    delete index_;
    delete work_;
    delete drive_;
    delete lock_;
  }
  static void MakeTree() {
    const TestDrive& d = *drive_;
    for (const char* folder : {"docs", "pics", "music", "big"}) CreateFolder(d.At(folder));
    for (int i = 1; i <= 5; ++i) MakeFile(d.At("docs\\报告" + std::to_string(i) + ".doc"));
    MakeFile(d.At("pics\\photo1.jpg"));
    MakeFile(d.At("pics\\photo2.jpg"));
    MakeFile(d.At("pics\\.secret.jpg"));
    SetWriteTime(d.At("pics\\photo1.jpg"), kMay2008);
    SetWriteTime(d.At("pics\\photo2.jpg"), kJuly2008);
    SetWriteTime(d.At("pics\\.secret.jpg"), kJuly2008);
    MakeFile(d.At("music\\歌曲.mp3"));
    char name[32];
    for (int i = 1; i <= kBigFolderFiles; ++i) {
      std::snprintf(name, sizeof name, "big\\item%04d.dat", i);
      MakeFile(d.At(name));
    }
  }

  void SetUp() override {
    MainWindowOptions options;
    options.index = index_;
    options.settings = &work_->settings;
    options.favourites_folder = favourites_.Path();
    window_ = std::make_unique<TestWindow>(options);
    ASSERT_NE(window_->Create(nullptr), nullptr);
  }

  // The ids the index gives for `request`, page `page`.
  static std::vector<uint32_t> Expected(const SearchRequest& request, int page = 1) {
    uint32_t total = 0;
    SearchResult* result = index_->Search(request, page, static_cast<int>(kPageSize), &total);
    std::vector<uint32_t> ids = result->ids;
    result->Release();
    return ids;
  }
  std::vector<uint32_t> Shown() {
    SearchResult* result = window_->List().Result();
    return result == nullptr ? std::vector<uint32_t>() : result->ids;
  }
  int ListRows() {
    return static_cast<int>(SendMessageA(window_->List().Handle(), LVM_GETITEMCOUNT, 0, 0));
  }
  void TypeAndEnter(const std::string& text) {
    window_->Bar().KeywordBox().SetText(text);
    // The key goes the way the dialog's message loop sends it: through the dialog manager,
    // which would turn Return into the window's OK unless the box claims it.
    MSG key = {};
    key.hwnd = window_->Bar().KeywordBox().Edit();
    key.message = WM_KEYDOWN;
    key.wParam = VK_RETURN;
    if (!IsDialogMessageA(window_->Handle(), &key)) DispatchMessageA(&key);
  }
  static HTREEITEM Find(HWND tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM item = reinterpret_cast<HTREEITEM>(
             SendMessageA(tree, TVM_GETNEXTITEM, parent == nullptr ? TVGN_ROOT : TVGN_CHILD,
                          reinterpret_cast<LPARAM>(parent)));
         item != nullptr; item = reinterpret_cast<HTREEITEM>(SendMessageA(
                              tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
      char buffer[300] = {0};
      TVITEMA info = {};
      info.mask = TVIF_TEXT;
      info.hItem = item;
      info.pszText = buffer;
      info.cchTextMax = sizeof buffer;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
      if (text == buffer) return item;
    }
    return nullptr;
  }
  static void Select(HWND tree, HTREEITEM item) {
    ASSERT_NE(item, nullptr);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  void ClickHiddenSwitch() {
    NMHDR header = {window_->Panel().HiddenSwitch().Handle(), kHiddenSwitchId, NM_CLICK};
    SendMessageA(window_->Panel().Handle(), WM_NOTIFY, kHiddenSwitchId,
                 reinterpret_cast<LPARAM>(&header));
  }

  static inline TestDriveLock* lock_ = nullptr;
  static inline TestDrive* drive_ = nullptr;
  static inline WorkFolder* work_ = nullptr;
  static inline IndexManager* index_ = nullptr;
  static inline FakeEnvironment* environment_ = nullptr;  // index_'s, for live update
  TempFolder favourites_;
  std::unique_ptr<TestWindow> window_;
};

// Handles every message waiting for this thread (posted ones included).
inline void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace testing
}  // namespace sorvik
