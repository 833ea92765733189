#include "index/initials_letters.h"

#include <algorithm>
#include <memory>

#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/name_index_io.h"
#include "platform/file.h"

namespace sorvik {
namespace {

constexpr uint32_t kWriteBuffer = 1 << 20;

}  // namespace

void InitialsLetterList::Add(uint32_t id, const char* name, size_t length) {
  if (id == 0) return;
  if (PlaceOfInitials(name, length) == InitialsPlace::kLongList) long_ids_.push_back(id);
  InitialsOf(name, length, &scratch_);
  if (letters_.size() < id) letters_.resize(id, 0);
  letters_[id - 1] = InitialsLetters(scratch_);
}

bool InitialsLetterList::Write(const std::string& path, uint32_t names) const {
  using namespace initials;
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  if (!file || !file->SetSize(0)) return false;
  BlockWriter out(file.get(), 0, kWriteBuffer);
  uint32_t long_count = 0;
  for (uint32_t id : long_ids_) long_count += id <= names;
  out.PutU32(kFormatVersion);
  out.PutU32(names);
  out.PutU32(long_count);
  out.PutU32(0);
  std::vector<uint8_t> bitmap(static_cast<size_t>(LetterBitmapBytes(names)));
  const uint32_t known = static_cast<uint32_t>(std::min<size_t>(letters_.size(), names));
  for (uint32_t letter = 0; letter < kLetters; ++letter) {
    std::fill(bitmap.begin(), bitmap.end(), 0);
    for (uint32_t i = 0; i < known; ++i) {
      if (letters_[i] & (1u << letter)) bitmap[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
    }
    out.Put(bitmap.data(), static_cast<uint32_t>(bitmap.size()));
  }
  for (uint32_t id : long_ids_) {
    if (id <= names) out.PutU32(id);
  }
  return out.Flush();
}

void InitialsLetterList::Clear() {
  std::vector<uint32_t>().swap(letters_);
  std::vector<uint32_t>().swap(long_ids_);
}

}  // namespace sorvik
