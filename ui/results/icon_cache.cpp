#include "ui/results/icon_cache.h"

#include "ui/results/basic_list_ctrl.h"  // brings <windows.h>, which the shell header needs first
// The shell's file information.
#include <shellapi.h>

namespace sorvik {

int IconCache::IndexOf(const EntryDetails& details) {
  const std::string key = IconKeyOf(details);
  if (!key.empty()) {
    auto found = indexes_.find(key);
    if (found != indexes_.end()) return found->second;
  }
  const int index = lookup_ ? lookup_(details.FullPath()) : -1;
  if (!key.empty() && index >= 0) indexes_[key] = index;
  return index;
}

int SystemIconIndex(const std::string& full_path) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(full_path.c_str(), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_TYPENAME) == 0) {
    return -1;
  }
  return info.iIcon;
}

}  // namespace sorvik
