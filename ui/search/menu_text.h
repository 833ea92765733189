// The texts the search window's menus show for titles of the user's own: a favourite's title
// may be of any length and hold "&", which a menu would take for a mnemonic.
#pragma once

#include <string>

namespace sorvik {

// At most this many bytes of a title are shown before "…".
constexpr size_t kMenuTitleBytes = 60;

// `title` as a menu item: "&" doubled so that it shows as itself, and a title longer than
// kMenuTitleBytes cut after its last whole GBK character within them and ended with "…".
std::string MenuTitle(const std::string& title);

}  // namespace sorvik
