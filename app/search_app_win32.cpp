#include "app/search_app_win32.h"

#include <ole2.h>
// GDI+ needs min/max and the COM declarations above.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/debug_privilege_win32.h"
#include "app/single_instance_win32.h"
#include "lifecycle/build_index.h"
#include "platform/fs.h"
#include "ui/first_build/index_creation_dlg_win32.h"
#include "ui/search/main_search_dlg.h"
#include "update/live_update.h"

namespace sorvik {

SearchApp::SearchApp(const std::string& folder, ConfigStore* settings)
    : folder_(folder), settings_(settings) {}

SearchApp::~SearchApp() {
  // The program never gets here; tests that run start-up more than once do.
  if (instance_mutex_ != nullptr) CloseHandle(instance_mutex_);
}

bool SearchApp::InitInstance() {
  SetCurrentFolder(folder_);
  DeleteFolderTree(std::string(".\\") + kBuildFolder);
  if (HandOverToRunningInstance()) return false;
  WaitForUpdater([this](DWORD ms) { Pause(ms); });
  RepairUpdate();
  StartSystemServices();
  EnableDebugPrivilege(&privilege_token_, &privileges_);
  BuildOptions build;
  build.work = folder_;
  CIndexCreationDlg first_build(settings_, build);
  if (RunFirstBuild(&first_build) == IDOK) {
    RunMainWindow();
    DropDebugPrivilege(privilege_token_, &privileges_);
    privilege_token_ = nullptr;
  }
  return false;
}

bool SearchApp::HandOverToRunningInstance() {
  bool running = false;
  instance_mutex_ = CreateInstanceMutex(&running);
  if (!running) return false;
  BringRunningInstanceForward();
  CloseHandle(instance_mutex_);
  instance_mutex_ = nullptr;
  return true;
}

void SearchApp::StartSystemServices() {
  OleInitialize(nullptr);
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, with its own thread
  Gdiplus::GdiplusStartup(&gdiplus_token_, &input, nullptr);
}

void SearchApp::RepairUpdate() { RepairUnfinishedUpdateAtStart(ExecutableFolder()); }

INT_PTR SearchApp::RunFirstBuild(CIndexCreationDlg* dialog) { return dialog->RunModal(); }

void SearchApp::RunMainWindow() {
  MainSearchDlg main_window;
  main_window_ = &main_window;
  main_window.RunModal(nullptr);
  main_window_ = nullptr;
}

}  // namespace sorvik
