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
  if (!OpenLetters(base + kLetterFile, names) ||
      !matrix_.Open(base + kMatrixFile, base + kPostingFile) ||
      matrix_.Version() != names::kFormatVersion || matrix_.NameCount() != names) {
    Close();
    return false;
  }
  open_ = true;
  return true;
}

bool InitialsReader::OpenLetters(const std::string& path, uint32_t names) {
  if (!letters_.Map(path, 0)) return false;
  const uint8_t* data = letters_.Data();
  const uint64_t size = letters_.Size();
  const uint64_t ids_at = LongIdsOffset(names);
  if (data == nullptr || size < ids_at || DecodeFixed32(data + kVersionOffset) != kFormatVersion ||
      DecodeFixed32(data + kNameCountOffset) != names) {
    return false;
  }
  // A count beyond what the file holds is cut to what it holds.
  const uint64_t held = (size - ids_at) / 4;
  long_count_ =
      static_cast<uint32_t>(std::min<uint64_t>(DecodeFixed32(data + kLongCountOffset), held));
  names_ = names;
  return true;
}

void InitialsReader::Close() {
  matrix_.Close();
  letters_.Unmap();
  names_ = 0;
  long_count_ = 0;
  open_ = false;
}

const uint8_t* InitialsReader::Letters(uint32_t letter) const {
  return letters_.Data() + kBitmapsOffset + letter * LetterBitmapBytes(names_);
}

const uint8_t* InitialsReader::LongIds(uint32_t* count) const {
  *count = open_ ? long_count_ : 0;
  return *count == 0 ? nullptr : letters_.Data() + LongIdsOffset(names_);
}

}  // namespace sorvik
