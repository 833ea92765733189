#include "ui/menu_windows.h"

namespace sorvik {

bool OpenMenuWindow(int command, HWND owner, const SearchRequest& current) {
  // The favourites dialogs (6000, 6001) and the process list (6302) are not part of the program
  // yet. The options windows (6100, 6301) and the other tools are opened by the search window.
  (void)command;
  (void)owner;
  (void)current;
  return false;
}

}  // namespace sorvik
