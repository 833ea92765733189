#include "ui/tray/tray_icon.h"

#include <cstring>

namespace sorvik {
namespace {

static_assert(NOTIFYICONDATAA_V2_SIZE == kTrayRecordSize, "the version-2 record is 488 bytes");

// The tray menu of the resources has the same number as the icon.
HMENU LoadTrayMenu(UINT id) { return LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

}  // namespace

CTrayIcon::CTrayIcon() { std::memset(&record_, 0, sizeof record_); }

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Create(HWND owner, UINT callback, const char* tip, HICON icon, UINT id) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version) || version.dwMajorVersion < 4 || !IsWindow(owner)) {
    enabled_ = false;
    return false;
  }
  std::memset(&record_, 0, sizeof record_);
  record_.cbSize = kTrayRecordSize;
  record_.hWnd = owner;
  record_.uID = id;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = callback;
  record_.hIcon = icon;
  if (tip != nullptr) std::strncpy(record_.szTip, tip, sizeof record_.szTip - 1);
  enabled_ = Shell_NotifyIconA(NIM_ADD, &record_) != FALSE;
  return enabled_;
}

void CTrayIcon::Remove() {
  if (!enabled_) return;
  record_.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &record_);
  enabled_ = false;
}

LRESULT CTrayIcon::OnNotify(WPARAM id, LPARAM mouse_message) {
  if (id != record_.uID) return 0;
  switch (mouse_message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      RestoreOwner();
      return 1;
    case WM_RBUTTONUP:
      ShowMenu();
      return 1;
    default:
      return 0;
  }
}

void CTrayIcon::RestoreOwner() {
  ShowWindow(record_.hWnd, SW_RESTORE);
  SetForegroundWindow(record_.hWnd);
}

void CTrayIcon::ShowMenu() {
  HMENU bar = LoadTrayMenu(record_.uID);
  if (bar == nullptr) return;
  HMENU menu = GetSubMenu(bar, 0);
  SetMenuDefaultItem(menu, 0, TRUE);
  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(record_.hWnd);
  TrackPopupMenu(menu, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, record_.hWnd, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageA(record_.hWnd, WM_NULL, 0, 0);
  DestroyMenu(bar);
}

}  // namespace sorvik
