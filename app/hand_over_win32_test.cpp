// A second start hands over to the running search window, also when a logon start keeps that
// window hidden.
#include <gtest/gtest.h>

#include "app/single_instance_win32.h"
#include "testing/index_test_support.h"
#include "ui/main_search_dlg.h"

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

}  // namespace
}  // namespace sorvik
