#include "ui/main_search_dlg.h"

#include "app/autorun.h"
#include "app/config_store.h"
#include "app/object_directory.h"
#include "lifecycle/index_manager.h"
#include "res/resource_ids.h"

namespace sorvik {
namespace {

constexpr int kInitialWidth = 800;
constexpr int kInitialHeight = 600;

}  // namespace

MainSearchDlg::MainSearchDlg() : CDialogBase(IDD_MAIN_SEARCH) {}

BOOL MainSearchDlg::OnInit() {
  ObjectDirectory::Set(kMainWindowKey, this);
  ApplyAutorunSetting(&ConfigStore::Instance());
  IndexManager::Instance();
  may_show_ = !IsAutoStart();
  SetIcons();
  MoveWindow(Handle(), 0, 0, kInitialWidth, kInitialHeight, FALSE);
  ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  return TRUE;
}

void MainSearchDlg::SetIcons() {
  icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

bool MainSearchDlg::OnCommand(int id, int code, HWND control) {
  (void)code;
  (void)control;
  switch (id) {
    case kCmdExit:
      ExitProgram();
      return true;
    case IDOK:
    case IDCANCEL:
      return true;  // Enter and Esc do not end the search window
    default:
      return false;
  }
}

void MainSearchDlg::ExitProgram() { ExitProcess(0); }

bool MainSearchDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  (void)result;
  switch (message) {
    case WM_WINDOWPOSCHANGING:
      // After a logon start nothing may show the window.
      if (!may_show_) reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_SHOWWINDOW;
      return false;
    case WM_CLOSE:
      // Without the tray icon the window is the only way out: closing ends the program.
      ExitProgram();
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
