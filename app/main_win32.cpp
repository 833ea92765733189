// Sorvik.exe: the application object does everything; its start-up never hands back a loop.
#include <windows.h>

#include "settings/autorun.h"
#include "settings/config_store.h"
#include "app/online_step_win32.h"
#include "app/search_app_win32.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string folder = sorvik::ExecutableFolder();
  sorvik::BuildOptions build;
  build.work = folder;
  sorvik::IndexManager::SetInstanceOptions(build, sorvik::IsAutoStart());
  sorvik::SystemIndexEnvironment::SetOnlineStep(&sorvik::RunProgramOnlineStep);
  static sorvik::SearchApp app(folder, &sorvik::ConfigStore::Instance());
  app.InitInstance();
  return 0;
}
