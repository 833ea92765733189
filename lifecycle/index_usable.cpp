// Whether a folder holds a whole index: the test that decides what is loaded, what a swap may
// move into place and whether a start must rebuild.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "index/name_index_format.h"
#include "index/snapshot_format.h"
#include "lifecycle/index_manager.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace sorvik {
namespace {

// The two u32 words at the start of a file (the header of index.mtr and of db.txt).
bool ReadHeaderWords(const std::string& path, uint32_t* first, uint32_t* second) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  uint32_t words[2] = {0, 0};
  if (!file || file->ReadAt(0, words, sizeof words) != sizeof words) return false;
  *first = words[0];
  *second = words[1];
  return true;
}

bool HoldsAtLeast(const std::string& path, uint64_t bytes) {
  uint64_t size = 0;
  return FileSizeOf(path, &size) && size >= bytes;
}

}  // namespace

// Besides the name index (index.dat present, index.mtr of version 100) every snapshot file must
// be there and hold what the db.txt header promises: N offset slots, N month codes, six bitmaps
// of N bits, N names in the key matrix. A folder missing one of them is a build cut short or a
// live folder half deleted by an interrupted swap; loading it would silently answer "no match"
// (the record store and the folder tree would be created empty), and a folder that counts as
// usable is never rebuilt before the schedule says so. Only sizes and headers are read.
bool IndexUsableAt(const std::string& folder) {
  using namespace snapshot;
  const std::string base = folder + "\\";
  uint32_t version = 0, name_count = 0, next_id = 0, end_offset = 0;
  if (!ReadHeaderWords(base + names::kMatrixFile, &version, &name_count) ||
      version != names::kFormatVersion) {
    return false;
  }
  if (!ReadHeaderWords(base + kRecordFile, &next_id, &end_offset) || next_id == 0) return false;
  const uint32_t entries = next_id - 1;
  return name_count == entries && HoldsAtLeast(base + names::kPostingFile, 0) &&
         HoldsAtLeast(base + kRecordFile, std::max(end_offset, kFirstRecordOffset)) &&
         HoldsAtLeast(base + kRecordFile + kOffsetSuffix, uint64_t{kOffsetEntrySize} * entries) &&
         HoldsAtLeast(base + kMonthFile, kMonthCodesOffset + uint64_t{2} * entries) &&
         HoldsAtLeast(base + kCategoryFile, uint64_t{kCategoryCount} * BitmapBytes(entries)) &&
         HoldsAtLeast(base + kFolderFile, 0);
}

}  // namespace sorvik
