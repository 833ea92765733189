// Read access to the initials index of an index folder (index/initials_format.h): its key
// matrix through an IndexReader and the long list of index.pyl, mapped.
// Nothing is trusted: a file that is missing, of another version or made for another number of
// names leaves the whole initials index closed, and the search then scans the names instead.
#pragma once

#include <cstdint>
#include <string>

#include "index/index_reader.h"
#include "platform/file.h"

namespace sorvik {

class InitialsReader {
 public:
  InitialsReader() = default;
  InitialsReader(const InitialsReader&) = delete;
  InitialsReader& operator=(const InitialsReader&) = delete;

  // Opens the three files of `folder` (no trailing backslash) for an index of `names` names.
  // False, with nothing open, unless all of them exist and count exactly `names` names; never
  // creates or writes a file.
  bool Open(const std::string& folder, uint32_t names);
  void Close();
  bool IsOpen() const { return open_; }

  IndexReader* matrix() { return &matrix_; }
  // The long names: `count` records of a u32 id and the u32 letters of its initials (bit 0
  // "a"), ascending ids as written (a damaged file may hold any values); null with 0 when there
  // are none.
  const uint8_t* LongNames(uint32_t* count) const;

 private:
  bool OpenLongList(const std::string& path, uint32_t names);

  IndexReader matrix_;       // index.pym and index.pyd
  MappedFile long_list_;     // index.pyl
  uint32_t long_count_ = 0;  // long names that the file holds
  bool open_ = false;        // every file was there and sound
};

}  // namespace sorvik
