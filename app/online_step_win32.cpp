#include "app/online_step_win32.h"

#include <utility>

#include "settings/object_directory.h"
#include "ui/search/main_search_dlg.h"
#include "update/online_update.h"

namespace sorvik {
namespace {

// The search window's handle, or null before it exists.
HWND MainWindowHandle() {
  MainSearchDlg* window = ObjectDirectory::Find<MainSearchDlg>(kMainWindowKey);
  return window != nullptr ? window->Handle() : nullptr;
}

}  // namespace

void RunProgramOnlineStep() {
  OnlineStepHooks hooks;
  hooks.main_window = &MainWindowHandle;
  // The window shows the lines from its own thread; without a window nobody shows them.
  hooks.publish_notices = [](SharedNotices notices) {
    MainSearchDlg::PostNotices(MainWindowHandle(), std::move(notices));
  };
  RunOnlineStep(std::move(hooks));
}

}  // namespace sorvik
