#include "ui/menu_windows.h"

namespace sorvik {

bool OpenMenuWindow(int command, HWND owner, const SearchRequest& current) {
  // The favourites dialogs (6000, 6001) and the tools (6302-6304) are not part of the program
  // yet. The options windows (6100, 6301) are opened by the search window itself.
  (void)command;
  (void)owner;
  (void)current;
  return false;
}

}  // namespace sorvik
