// The favourites dialogs the search window's menus open ("添加到收藏夹", "整理收藏夹"): the
// one place the menus reach them through.
#pragma once

#include <windows.h>

#include <string>

#include "favourites/favorite_store.h"
#include "query/search_request.h"

namespace sorvik {

// Opens the window of menu command `command` over `owner`; `current` is the window's last
// search (what "添加到收藏夹" saves) and `favourites` the folder of the favourites file. False
// for a command that has no window here.
bool OpenMenuWindow(int command, HWND owner, const SearchRequest& current,
                    const std::string& favourites = kFavoriteFolder);

}  // namespace sorvik
