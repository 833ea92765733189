#include "index/initials_reader.h"

#include <algorithm>

#include "index/coding.h"
#include "index/initials_format.h"
#include "index/name_index_format.h"
#include "platform/fs.h"

namespace sorvik {

using namespace initials;

bool InitialsReader::Open(const std::string& folder, uint32_t names) {
  Close();
  const std::string base = folder + "\\";
  if (!PathExists(base + kMatrixFile) || !PathExists(base + kPostingFile)) return false;
  if (!OpenLongList(base + kLongFile, names) ||
      !matrix_.Open(base + kMatrixFile, base + kPostingFile) ||
      matrix_.Version() != names::kFormatVersion || matrix_.NameCount() != names) {
    Close();
    return false;
  }
  open_ = true;
  return true;
}

bool InitialsReader::OpenLongList(const std::string& path, uint32_t names) {
  if (!long_list_.Map(path, 0)) return false;
  const uint8_t* data = long_list_.Data();
  const uint32_t size = long_list_.Size();
  if (data == nullptr || size < kLongNamesOffset ||
      DecodeFixed32(data + kVersionOffset) != kFormatVersion ||
      DecodeFixed32(data + kNameCountOffset) != names) {
    return false;
  }
  // A count beyond what the file holds is cut to what it holds.
  long_count_ =
      std::min(DecodeFixed32(data + kLongCountOffset), (size - kLongNamesOffset) / kLongNameBytes);
  return true;
}

void InitialsReader::Close() {
  matrix_.Close();
  long_list_.Unmap();
  long_count_ = 0;
  open_ = false;
}

const uint8_t* InitialsReader::LongNames(uint32_t* count) const {
  *count = open_ ? long_count_ : 0;
  return *count == 0 ? nullptr : long_list_.Data() + kLongNamesOffset;
}

}  // namespace sorvik
