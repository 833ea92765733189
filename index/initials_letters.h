// The writer of index.pyl (index/initials_format.h): which letters each name's initials hold,
// and the names too long for the initials key matrix. The build feeds it every name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "index/pinyin_initials.h"

namespace sorvik {

class InitialsLetterList {
 public:
  // Notes the name of entry `id`. REQUIRES: ids ascend, starting at 1.
  void Add(uint32_t id, const char* name, size_t length);
  // Writes the file for `names` names (ids beyond it are left out). False when it cannot be
  // written.
  bool Write(const std::string& path, uint32_t names) const;
  // Forgets every name.
  void Clear();

 private:
  std::vector<uint32_t> letters_;      // letters of entry id at id - 1, bit 0 "a"
  std::vector<uint32_t> long_ids_;     // names with more places than the matrix lists
  std::vector<InitialsUnit> scratch_;  // the initials of the name at hand
};

}  // namespace sorvik
