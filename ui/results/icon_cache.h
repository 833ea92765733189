// IconCache: the system image-list index of each kind of row, asked of the shell once per icon
// key (see IconKeyOf) and kept for the life of the list.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "query/entry_details.h"

namespace sorvik {

class IconCache {
 public:
  // Asks for the system image index of a full path; negative when the shell has none.
  using Lookup = std::function<int(const std::string& full_path)>;

  explicit IconCache(Lookup lookup) : lookup_(std::move(lookup)) {}

  // The image index of the row: from the cache for a non-empty key, else asked of the shell
  // with the row's full path and cached under the key. Rows with an empty key are always asked
  // and never cached; a failed look-up (negative) is returned but not cached.
  int IndexOf(const EntryDetails& details);
  size_t size() const { return indexes_.size(); }

 private:
  Lookup lookup_;                       // the shell's answer for one path
  std::map<std::string, int> indexes_;  // icon key -> system image index
};

// The shell's system image index of `full_path` (asked together with its type name); -1 when
// the shell has none.
int SystemIconIndex(const std::string& full_path);

}  // namespace sorvik
