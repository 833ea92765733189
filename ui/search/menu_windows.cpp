#include "ui/search/menu_windows.h"

#include "ui/command_ids.h"
#include "ui/favourites/fav_list_dlg.h"
#include "ui/favourites/fav_new_dlg.h"

namespace sorvik {

bool OpenMenuWindow(int command, HWND owner, const SearchRequest& current,
                    const std::string& favourites) {
  switch (command) {
    case kCmdAddFavourite:
      AddFavourite(owner, current, favourites);
      return true;
    case kCmdOrganiseFavourites: {
      CFavListDlg organiser(favourites);
      organiser.RunModal(owner);
      return true;
    }
    default:
      // The options windows, the process list and the other tools are opened by the search
      // window itself.
      return false;
  }
}

}  // namespace sorvik
