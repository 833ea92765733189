#include "query/removal_list.h"

#include <vector>

#include "platform/file.h"
#include "query/entry_set.h"

namespace sorvik {

bool AppendRemoval(const std::string& path, uint32_t value) {
  auto file = OpenWinFile(path, kOpenAlways);
  return file && file->AppendU32(value);
}

void ApplyRemovals(const std::string& path, EntrySet* set) {
  auto file = OpenWinFile(path, kOpenExisting);
  ApplyRemovals(file.get(), set);
}

void ApplyRemovals(WinFile* file, EntrySet* set) {
  if (file == nullptr) return;
  // Read in blocks; a folder's count may fall into the next block.
  std::vector<uint32_t> block(16384);
  bool folder_pending = false;  // the last value read was a folder id waiting for its count
  uint32_t folder_id = 0;
  uint64_t offset = 0;
  for (;;) {
    uint32_t got = file->ReadAt(offset, block.data(), static_cast<uint32_t>(block.size() * 4));
    uint32_t values = got / 4;
    if (values == 0) break;
    offset += values * 4ull;
    for (uint32_t i = 0; i < values; ++i) {
      uint32_t value = block[i];
      if (folder_pending) {
        // The folder itself and the `value` entries right after it.
        uint64_t end = static_cast<uint64_t>(folder_id) + value + 1;
        set->ClearRange(folder_id, end > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(end));
        folder_pending = false;
      } else if (value & kRemovedFolderFlag) {
        folder_id = value & ~kRemovedFolderFlag;
        folder_pending = true;
      } else {
        set->ClearId(value);
      }
    }
    if (got < block.size() * 4) break;
  }
}

}  // namespace sorvik
