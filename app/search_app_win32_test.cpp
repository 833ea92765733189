#include "app/search_app_win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/single_instance_win32.h"
#include "lifecycle/index_manager.h"
#include "res/resource_ids.h"
#include "settings/autorun.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"
#include "ui/command_ids.h"
#include "ui/first_build/index_creation_dlg_win32.h"
#include "ui/search/main_search_dlg.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::TempFolder;
using testing::TestDrive;
using testing::TestDriveLock;

// Start-up with its pauses recorded, the first build watched and the search window replaced by
// a record of the moment it would open.
class WatchedApp : public SearchApp {
 public:
  WatchedApp(const std::string& folder, ConfigStore* settings) : SearchApp(folder, settings) {}

  std::vector<DWORD> pauses;        // every pause of the updater wait
  bool first_build_ran = false;     // the first-build dialog was run
  bool leftover_at_build = false;   // ScanTemp\old.txt existed when it ran
  std::string folder_at_build;      // the current folder then
  bool main_ran = false;            // the search window would have opened
  bool index_at_main = false;       // with a usable index in place
  bool cancel_first_build = false;  // stop start-up at the first-build dialog
  int repaired_after = -1;          // the number of updater pauses before the update repair

 protected:
  void Pause(DWORD ms) override { pauses.push_back(ms); }
  void RepairUpdate() override {
    repaired_after = static_cast<int>(pauses.size());
    SearchApp::RepairUpdate();
  }
  INT_PTR RunFirstBuild(CIndexCreationDlg* dialog) override {
    first_build_ran = true;
    leftover_at_build = PathExists(".\\ScanTemp\\old.txt");
    char current[MAX_PATH] = {0};
    GetCurrentDirectoryA(MAX_PATH, current);
    folder_at_build = current;
    if (cancel_first_build) return IDCANCEL;
    INT_PTR result = SearchApp::RunFirstBuild(dialog);
    dialog->WaitForWorker();
    return result;
  }
  void RunMainWindow() override {
    main_ran = true;
    index_at_main = IndexUsableAt(std::string(".\\") + kLiveFolder);
  }
};

// A program folder whose settings index drive X:, with the current folder restored afterwards.
struct ProgramFolder {
  ProgramFolder() : settings(folder.Join(kConfigFileName)) {
    settings.Set(kConfigIndexPosition, "X:");
    GetCurrentDirectoryA(MAX_PATH, previous);
  }
  ~ProgramFolder() { SetCurrentDirectoryA(previous); }
  std::string Path() const { return folder.Path() + "\\"; }

  TempFolder folder;
  ConfigStore settings;
  char previous[MAX_PATH] = {0};
};

TEST(SearchApp, StartsInOrderAndBuildsFirstIndex) {
  TestDriveLock lock;
  TestDrive drive('X');
  ASSERT_TRUE(drive.Mapped());
  testing::MakeFile(drive.At("报告.txt"));
  ProgramFolder program;
  CreateFolder(program.folder.Join("ScanTemp"));
  testing::MakeFile(program.folder.Join("ScanTemp\\old.txt"));
  {
    // First start: the leftover build is gone before the dialog runs in the program folder;
    // the notice is answered, and the search window opens on a usable index.
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedApp app(program.Path(), &program.settings);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.first_build_ran);
    EXPECT_FALSE(app.leftover_at_build);
    EXPECT_EQ(app.folder_at_build + "\\", program.Path());
    EXPECT_TRUE(app.pauses.empty());
    EXPECT_EQ(answerer.texts.size(), 1u);
    EXPECT_TRUE(app.main_ran && app.index_at_main);
  }
  {
    // Second start with the index in place: no notice, straight to the search window.
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedApp app(program.Path(), &program.settings);
    app.InitInstance();
    EXPECT_TRUE(answerer.texts.empty());
    EXPECT_TRUE(app.main_ran);
  }
}

LRESULT CALLBACK CountCreations(int code, WPARAM wparam, LPARAM lparam);
int g_created = 0;
LRESULT CALLBACK CountCreations(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) ++g_created;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(SearchApp, SecondStartBringsFirstForward) {
  ProgramFolder program;
  // The running instance: its mutex and its hidden search window.
  HANDLE running = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
  HWND first = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN_SEARCH),
                                  nullptr, PlainDialogProc, 0);
  ASSERT_NE(first, nullptr);
  SetPropA(first, kSearchWindowProperty, first);  // as the search window marks itself
  ASSERT_FALSE(IsWindowVisible(first));
  {
    // The second start creates no window, runs nothing and shows the first one maximised.
    WatchedApp app(program.Path(), &program.settings);
    g_created = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(app.InitInstance());
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_created, 0);
    EXPECT_FALSE(app.first_build_ran || app.main_ran);
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_TRUE(IsZoomed(first));
  }
  {
    // Only the dialog that carries the search window's property is taken for it, whatever the
    // titles say.
    HWND other = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN_SEARCH),
                                    nullptr, PlainDialogProc, 0);
    SetWindowTextA(other, kMainWindowTitle);
    EXPECT_TRUE(IsRunningSearchWindow(first));
    EXPECT_FALSE(IsRunningSearchWindow(other));
    SetPropA(other, kSearchWindowProperty, first);  // a property copied from another window
    EXPECT_FALSE(IsRunningSearchWindow(other));
    DestroyWindow(other);
  }
  RemovePropA(first, kSearchWindowProperty);
  DestroyWindow(first);
  CloseHandle(running);
}

TEST(SearchApp, InstanceMutexOwnedUntilTheProgramEnds) {
  // The outside updater waits on the instance mutex for the program's end: the first instance
  // owns it, so the wait lasts while it runs and ends when its thread does.
  HANDLE created = nullptr;
  HANDLE program_may_end = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE created_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread program([&] {
    bool running = true;
    created = CreateInstanceMutex(&running);
    EXPECT_FALSE(running);
    SetEvent(created_event);
    WaitForSingleObject(program_may_end, 10000);
  });
  WaitForSingleObject(created_event, 10000);
  HANDLE updater_view = OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName);
  ASSERT_NE(updater_view, nullptr);
  EXPECT_EQ(WaitForSingleObject(updater_view, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(program_may_end);
  program.join();
  EXPECT_EQ(WaitForSingleObject(updater_view, 5000), static_cast<DWORD>(WAIT_ABANDONED));
  ReleaseMutex(updater_view);
  CloseHandle(updater_view);
  CloseHandle(created);
  CloseHandle(program_may_end);
  CloseHandle(created_event);
}

TEST(SearchApp, WaitsForUpdater) {
  ProgramFolder program;
  {
    // An updater holding the hand-off mutex: 11 pauses of a second, then start-up goes on.
    HANDLE updater = CreateMutexA(nullptr, TRUE, kUpdaterMutexName);
    WatchedApp app(program.Path(), &program.settings);
    app.cancel_first_build = true;
    app.InitInstance();
    CloseHandle(updater);
    EXPECT_EQ(app.pauses, std::vector<DWORD>(11, 1000));
    // An unfinished update is repaired only after the wait, before anything else starts.
    EXPECT_EQ(app.repaired_after, 11);
    EXPECT_TRUE(app.first_build_ran);
    EXPECT_FALSE(app.main_ran);
  }
  {
    // No updater but its registration file: 2 s more.
    testing::WriteText(program.folder.Join("Comfiles.reg"), "x");
    WatchedApp app(program.Path(), &program.settings);
    app.cancel_first_build = true;
    app.InitInstance();
    EXPECT_EQ(app.pauses, std::vector<DWORD>{2000});
  }
}

std::string RunValue(bool* found) {
  char data[600] = {0};
  DWORD size = sizeof data;
  DWORD type = 0;
  *found = RegGetValueA(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName, RRF_RT_ANY, &type, data,
                        &size) == ERROR_SUCCESS;
  return *found ? std::string(data) : std::string();
}

TEST(Autorun, RunValue) {
  char module[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  bool found = false;
  {
    // The exact data: the quoted path, two blanks, "/auto"; off deletes the value.
    SetAutorun(true);
    EXPECT_EQ(RunValue(&found), "\"" + std::string(module) + "\"  /auto");
    SetAutorun(false);
    RunValue(&found);
    EXPECT_FALSE(found);
  }
  TempFolder folder;
  ConfigStore settings(folder.Join(kConfigFileName));
  {
    // "autorun" missing or "true" writes the value; "false" leaves the registry alone.
    ApplyAutorunSetting(&settings);
    RunValue(&found);
    EXPECT_TRUE(found);
    SetAutorun(false);
    settings.Set(kConfigAutorun, "false");
    ApplyAutorunSetting(&settings);
    RunValue(&found);
    EXPECT_FALSE(found);
    settings.Set(kConfigAutorun, "true");
    ApplyAutorunSetting(&settings);
    RunValue(&found);
    EXPECT_TRUE(found);
    SetAutorun(false);
  }
  EXPECT_FALSE(IsAutoStart());
}

}  // namespace
}  // namespace sorvik
