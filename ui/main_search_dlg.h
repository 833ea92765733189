// The search window. For now the bare window: its title and icon, its place in the object
// directory, the auto-start entry, the index manager, the hidden start after a logon start and
// the exit command.
#pragma once

#include <windows.h>

#include "widgets/dialog_base.h"

namespace sorvik {

constexpr char kMainWindowTitle[] = "Sorvik-文件搜索专家V1.3.4";
constexpr int kCmdExit = 32772;  // the exit command (tray menu, updater)

class MainSearchDlg : public CDialogBase {
 public:
  MainSearchDlg();

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  void SetIcons();
  void ExitProgram();

  HICON icon_ = nullptr;   // the application icon
  bool may_show_ = false;  // clear after a logon start: the window stays hidden
};

}  // namespace sorvik
