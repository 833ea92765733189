// A second start hands over to the running search window, also when a logon start keeps that
// window hidden.
#include <gtest/gtest.h>

#include "app/single_instance_win32.h"
#include "testing/index_test_support.h"
#include "testing/test_util.h"
#include "tools/md5_checksum_dlg.h"
#include "ui/search/main_search_dlg.h"

namespace sorvik {
namespace {

class LogonStartedWindow : public MainSearchDlg {
 public:
  using MainSearchDlg::MainSearchDlg;

 protected:
  bool StartedByLogon() const override { return true; }
};

TEST(HandOver, SecondStartShowsTheHiddenWindow) {
  testing::WorkFolder work("C:");
  work.settings.Set(kConfigAutorun, "false");
  IndexManager index(work.work,
                     std::make_unique<testing::FakeEnvironment>(&work.settings, work.build), false);
  MainWindowOptions options;
  options.index = &index;
  options.settings = &work.settings;
  LogonStartedWindow window(options);
  ASSERT_NE(window.Create(nullptr), nullptr);
  // Hidden after the logon start, even though the window asks to be shown maximised.
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  ShowWindow(window.Handle(), SW_SHOWMAXIMIZED);
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  // The second start finds it and shows it maximised.
  EXPECT_TRUE(BringRunningInstanceForward());
  EXPECT_TRUE(IsWindowVisible(window.Handle()));
  EXPECT_TRUE(IsZoomed(window.Handle()));
  EXPECT_TRUE(window.MayShow());
}

TEST(HandOver, SecondStartWithTheMd5DialogOpenShowsTheSearchWindow) {
  testing::WorkFolder work("C:");
  work.settings.Set(kConfigAutorun, "false");
  IndexManager index(work.work,
                     std::make_unique<testing::FakeEnvironment>(&work.settings, work.build), false);
  MainWindowOptions options;
  options.index = &index;
  options.settings = &work.settings;
  MainSearchDlg window(options);
  ASSERT_NE(window.Create(nullptr), nullptr);
  ShowWindow(window.Handle(), SW_HIDE);  // closed to the notification area
  // The MD5 dialog of a file, open above it; its title starts with the product name too.
  testing::TempFolder folder;
  const std::string file = folder.Join("大文件.bin");
  testing::WriteText(file, "0123456789");
  CMd5ChecksumDlg md5(file);
  ASSERT_NE(md5.Create(nullptr), nullptr);
  ShowWindow(md5.Handle(), SW_SHOWNORMAL);
  char title[100] = {0};
  GetWindowTextA(md5.Handle(), title, sizeof title);
  ASSERT_EQ(std::string(title).rfind("Sorvik", 0), 0u) << title;
  RECT before;
  GetWindowRect(md5.Handle(), &before);
  // The second start shows the search window maximised and leaves the MD5 dialog as it was.
  EXPECT_TRUE(BringRunningInstanceForward());
  EXPECT_TRUE(IsWindowVisible(window.Handle()));
  EXPECT_TRUE(IsZoomed(window.Handle()));
  EXPECT_FALSE(IsZoomed(md5.Handle()));
  RECT after;
  GetWindowRect(md5.Handle(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  DestroyWindow(md5.Handle());
}

}  // namespace
}  // namespace sorvik
