// The application object: everything the program does before and around its windows, in a
// fixed order. Start-up ends in the search window's modal loop, which is the program's message
// loop.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

class CIndexCreationDlg;
class ConfigStore;
class MainSearchDlg;

class SearchApp {
 public:
  // `folder`: the program's folder (ending with a backslash); the executable's folder in the
  // program, a test folder in tests. `settings` choose the drives of a first build.
  SearchApp(const std::string& folder, ConfigStore* settings);
  virtual ~SearchApp();
  SearchApp(const SearchApp&) = delete;
  SearchApp& operator=(const SearchApp&) = delete;

  // Runs start-up to its end. Always false: there is no message loop after it.
  bool InitInstance();
  // The search window while it runs (other windows reach it through this), else null.
  MainSearchDlg* MainWindow() const { return main_window_; }

 protected:
  // The steps that tests watch or replace.
  virtual void Pause(DWORD ms) { Sleep(ms); }
  // Finishes or takes back an update that a killed updater left in the program's folder, and
  // removes the old copy of the program that an update left beside it.
  virtual void RepairUpdate();
  virtual INT_PTR RunFirstBuild(CIndexCreationDlg* dialog);
  virtual void RunMainWindow();

 private:
  bool HandOverToRunningInstance();
  void StartSystemServices();

  std::string folder_;                    // the working folder
  ConfigStore* settings_;                 // the program's settings
  HANDLE instance_mutex_ = nullptr;       // held for the life of the process
  ULONG_PTR gdiplus_token_ = 0;           // GDI+ lives until the process ends
  HANDLE privilege_token_ = nullptr;      // the token whose debug privilege is enabled
  TOKEN_PRIVILEGES privileges_ = {};      // what DropDebugPrivilege needs
  MainSearchDlg* main_window_ = nullptr;  // the running search window
};

}  // namespace sorvik
