#include "index/initials_keys.h"

#include <algorithm>

#include "index/initials_format.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

using initials::kMaxInitials;
using initials::kMaxUnits;

bool IsLetter(uint8_t byte) { return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z'; }

// The key bytes a place stands for; returns their count (0 for a place no keyword byte matches).
uint32_t PlaceBytes(InitialsUnit unit, uint8_t out[kMaxInitials]) {
  if (unit & kOtherByte) {
    const uint8_t byte = static_cast<uint8_t>(unit);
    out[0] = byte;
    return byte == 0 ? 0 : 1;
  }
  uint32_t count = 0;
  for (uint32_t letter = 0; letter < 26 && count < kMaxInitials; ++letter) {
    if (unit & (1u << letter)) out[count++] = static_cast<uint8_t>('a' + letter);
  }
  return count;
}

// The number of places of a name: one per character.
size_t PlaceCount(const char* name, size_t length) {
  size_t places = 0;
  for (size_t i = 0; i < length; i += GbkCharLength(name, length, i)) ++places;
  return places;
}

}  // namespace

InitialsPlace PlaceOfInitials(const char* name, size_t length) {
  bool plain = length <= kMaxUnits;
  for (size_t i = 0; i < length && plain; ++i) {
    const uint8_t byte = static_cast<uint8_t>(name[i]);
    plain = byte != 0 && byte < 0x80;
  }
  if (plain) return InitialsPlace::kNameKeys;
  return PlaceCount(name, length) <= kMaxUnits ? InitialsPlace::kMatrix : InitialsPlace::kLongList;
}

uint32_t InitialsKeys(const char* name, size_t length, KeyAtPosition* out) {
  const InitialsPlace place = PlaceOfInitials(name, length);
  if (place == InitialsPlace::kNameKeys) return 0;
  std::vector<InitialsUnit> units;
  InitialsOf(name, length, &units);
  const bool long_name = place == InitialsPlace::kLongList;
  std::vector<uint64_t> seen(long_name ? 65536 / 64 : 0);  // keys a long name gave already
  uint32_t count = 0;
  uint8_t first[kMaxInitials], second[kMaxInitials];
  uint32_t firsts = units.empty() ? 0 : PlaceBytes(units[0], first);
  for (size_t p = 1; p < units.size(); ++p) {
    const uint32_t seconds = PlaceBytes(units[p], second);
    for (uint32_t a = 0; a < firsts; ++a) {
      for (uint32_t b = 0; b < seconds; ++b) {
        const uint32_t key = first[a] * 256u + second[b];
        if (!long_name) {
          out[count++] = KeyAtPosition{key, static_cast<uint32_t>(p)};
        } else if ((seen[key / 64] & (uint64_t{1} << (key % 64))) == 0) {
          seen[key / 64] |= uint64_t{1} << (key % 64);
          out[count++] = KeyAtPosition{key, initials::kLongPosition};
        }
      }
    }
    std::copy(second, second + seconds, first);
    firsts = seconds;
  }
  return count;
}

std::vector<uint32_t> InitialsWordKeys(const std::string& word) {
  std::vector<uint32_t> keys;
  if (!IsInitialsWord(word)) return keys;
  for (size_t i = 1; i < word.size(); ++i) {
    uint8_t a = static_cast<uint8_t>(word[i - 1]), b = static_cast<uint8_t>(word[i]);
    if (IsLetter(a)) a |= 0x20;
    if (IsLetter(b)) b |= 0x20;
    keys.push_back(a * 256u + b);
  }
  return keys;
}

}  // namespace sorvik
