// Sorvik.exe: the application object does everything; its start-up never hands back a loop.
#include <windows.h>

#include "app/online_step_win32.h"
#include "app/search_app_win32.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "settings/autorun.h"
#include "settings/config_store.h"
#include "settings/working_folder.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The portable copy keeps everything beside itself; a copy in a folder this user may not
  // change keeps its working files in the user's own folder.
  const std::string folder = sorvik::ChooseWorkingFolder(sorvik::ExecutableFolder());
  sorvik::ConfigStore::Instance().UseFolder(folder);
  sorvik::BuildOptions build;
  build.work = folder;
  sorvik::IndexManager::SetInstanceOptions(build, sorvik::IsAutoStart());
  sorvik::SystemIndexEnvironment::SetOnlineStep(&sorvik::RunProgramOnlineStep);
  static sorvik::SearchApp app(folder, &sorvik::ConfigStore::Instance());
  app.InitInstance();
  return 0;
}
