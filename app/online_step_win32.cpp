#include "app/online_step_win32.h"

#include "settings/object_directory.h"
#include "ui/main_search_dlg.h"
#include "update/online_update.h"

namespace sorvik {
namespace {

// The search window's handle, or null before it exists.
void* MainWindowHandle() {
  auto* window = static_cast<MainSearchDlg*>(ObjectDirectory::Find(kMainWindowKey));
  return window != nullptr ? window->Handle() : nullptr;
}

}  // namespace

void RunProgramOnlineStep() { RunOnlineStep(&MainWindowHandle); }

}  // namespace sorvik
