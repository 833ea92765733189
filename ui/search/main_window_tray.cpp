// The search window in the notification area: its tray icon, its system-wide hot key, and the
// requests to see the window again. Every such request (the hot key, a click on the icon, the
// tray menu, a second start of the program) lets the window show, also after a logon start.
#include "res/option_ids.h"
#include "settings/autorun.h"
#include "ui/command_ids.h"
#include "ui/search/main_search_dlg.h"
#include "ui/tray/hot_key.h"

namespace sorvik {
namespace {

static_assert(kTrayIconId == IDM_TRAY, "the tray menu has the icon's number");

constexpr char kTrayTip[] = "Sorvik硬盘搜索";

}  // namespace

bool MainSearchDlg::StartedByLogon() const { return IsAutoStart(); }

void MainSearchDlg::StartTray() {
  RegisterSearchHotKey(Handle(), StoredHotKey(settings_));
  tray_.Create(Handle(), kMsgTrayCallback, kTrayTip, icon_, kTrayIconId);
}

void MainSearchDlg::StopTray() {
  UnregisterSearchHotKey(Handle());
  tray_.Remove();
}

void MainSearchDlg::ShowRunningInstance() {
  may_show_ = true;
  ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  BringWindowToTop(Handle());
  SetForegroundWindow(Handle());
  // The window may have been hidden since its last layout: every part paints afresh.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool MainSearchDlg::OnTrayMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  if (message == kMsgTrayCallback) {
    if (wparam == kTrayIconId && (lparam == WM_LBUTTONDOWN || lparam == WM_LBUTTONDBLCLK))
      may_show_ = true;
    *result = tray_.OnNotify(wparam, lparam);
    return true;
  }
  if (message == taskbar_created_ && taskbar_created_ != 0) {
    tray_.Remove();
    tray_.Create(Handle(), kMsgTrayCallback, kTrayTip, icon_, kTrayIconId);
    *result = 0;
    return true;
  }
  switch (message) {
    case WM_HOTKEY:
      if (static_cast<int>(wparam) != kHotKeyId) return false;
      ShowFromTray();
      *result = 0;
      return true;
    case kMsgShowRunning:
      ShowRunningInstance();
      *result = 1;
      return true;
    case WM_DESTROY:
      RemovePropA(Handle(), kSearchWindowProperty);
      StopTray();
      DropPendingNotices();
      return false;
    default:
      return false;
  }
}

}  // namespace sorvik
