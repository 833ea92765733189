// ShellItemMenu: the shell's context menu of a set of files and folders, added at the end of a
// popup menu of the program's own. While the popup is open, the owner window's procedure is
// replaced by a relay that hands the menu messages to the shell's item menu (versions 2 and 3
// draw and fill their sub-menus that way); the previous procedure is restored afterwards.
// Callers initialise COM on the thread.
#pragma once

#include <windows.h>
// The shell's interfaces need the types of <windows.h>.
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace sorvik {

constexpr UINT kFirstShellCommand = 1;  // the shell's items take ids 1..10000
constexpr UINT kLastShellCommand = 10000;

class ShellItemMenu {
 public:
  // Shows `popup` with `owner` as owner at the screen point `screen`; the chosen id or 0.
  using Tracker = std::function<int(HMENU popup, HWND owner, POINT screen)>;

  ShellItemMenu() = default;
  ~ShellItemMenu();
  ShellItemMenu(const ShellItemMenu&) = delete;
  ShellItemMenu& operator=(const ShellItemMenu&) = delete;

  // Parses every path (system code page) with the desktop folder and asks the parent folder of
  // the first for the item menu of all of them. False, with no menu, when a path cannot be
  // parsed, when the paths do not all lie in the same folder (the shell would read the others'
  // names as names in the first one's folder and act on other files), or when the folder gives
  // no menu. Call once.
  bool Fill(const std::vector<std::string>& paths, HWND owner);
  // 0 without a menu, else 1, 2 or 3: the newest menu interface the items offer.
  int Version() const { return version_; }

  // Lets the shell add its items at the end of `popup` (ids 1..10000, explore flag), tracks it
  // with `track` while the relay is in place, and invokes a chosen shell item as verb id - 1 with
  // `invoke_owner` as owner, shown normally; it then returns 0. Any other id comes back
  // unchanged. Without a menu only tracks.
  int Track(HMENU popup, HWND owner, POINT screen, HWND invoke_owner, const Tracker& track);

  // The tracker of the program: TrackPopupMenu returning the chosen id.
  static int TrackPopup(HMENU popup, HWND owner, POINT screen);

 private:
  static LRESULT CALLBACK Relay(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  bool RelayMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  void Invoke(int id, HWND invoke_owner);

  IContextMenu* menu_ = nullptr;    // the items' menu, while filled
  IContextMenu2* menu2_ = nullptr;  // the same menu's version 2, when offered
  IContextMenu3* menu3_ = nullptr;  // and version 3
  int version_ = 0;                 // 0 (none), 1, 2 or 3
  WNDPROC previous_ = nullptr;      // the owner's procedure while the relay is in place
};

}  // namespace sorvik
