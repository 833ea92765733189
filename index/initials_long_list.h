// The writer of index.pyl (index/initials_format.h): the names too long for the initials key
// matrix, with the letters of their initials. The build feeds it every name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "index/pinyin_initials.h"

namespace sorvik {

class InitialsLongList {
 public:
  // Notes the name of entry `id`. REQUIRES: ids ascend.
  void Add(uint32_t id, const char* name, size_t length);
  // Writes the file for an index of `names` names (ids beyond it are left out). False when it
  // cannot be written.
  bool Write(const std::string& path, uint32_t names) const;
  // Forgets every name.
  void Clear();

 private:
  struct LongName {
    uint32_t id;       // the entry
    uint32_t letters;  // letters of its initials, bit 0 "a"
  };
  std::vector<LongName> names_;        // the long names, ascending ids
  std::vector<InitialsUnit> scratch_;  // the initials of the name at hand
};

}  // namespace sorvik
