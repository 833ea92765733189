// The program's icon in the notification area: added and removed through the shell, and the
// owner's handler of the icon's mouse messages (a left click brings the owner back, a right
// click opens the tray menu).
#pragma once

#include <windows.h>
// (the shell's headers need windows.h first)
#include <shellapi.h>

namespace sorvik {

constexpr UINT kTrayRecordSize = 488;  // the version-2 record, understood by every shell

class CTrayIcon {
 public:
  CTrayIcon();
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon `id` for `owner`, which receives `callback` for its mouse messages. False
  // (and nothing shown) when the owner is no window or the shell refuses.
  bool Create(HWND owner, UINT callback, const char* tip, HICON icon, UINT id);
  // Deletes the icon when it is shown.
  void Remove();
  // The owner's handler of `callback`: 1 when the message was the icon's and was handled.
  LRESULT OnNotify(WPARAM id, LPARAM mouse_message);
  bool Enabled() const { return enabled_; }

 private:
  void RestoreOwner();
  void ShowMenu();

  bool enabled_ = false;    // the icon is registered with the shell
  NOTIFYICONDATAA record_;  // sent with cbSize kTrayRecordSize
};

}  // namespace sorvik
