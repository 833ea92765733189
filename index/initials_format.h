// Layout of the initials index, the files a build adds beside the name index so that a search
// by pinyin initials needs no pass over every name. All values are little-endian;
// docs/formats.md describes the same layout in prose. Readers of the name index alone never
// open these files, and a folder without them is searched by a pass over the names instead.
#pragma once

#include <cstdint>

namespace sorvik {
namespace initials {

// File names inside an index folder.
constexpr const char kMatrixFile[] = "index.pym";   // key matrix, index.mtr's format
constexpr const char kPostingFile[] = "index.pyd";  // its posting lists, index.dat's format
constexpr const char kLongFile[] = "index.pyl";     // the long names

// A name whose initials string has more places than this is not in the key matrix (its pairs
// would lie beyond the positions a keyword is looked up at) but on the long list.
constexpr uint32_t kMaxUnits = 127;
// Most initial letters one character has in the table, and so the most keys one pair of
// places can give (kMaxInitials squared).
constexpr uint32_t kMaxInitials = 7;
// Most (key, position) pairs one indexed name gives: kMaxUnits - 1 pairs of places.
constexpr uint32_t kMaxNameKeys = (kMaxUnits - 1) * kMaxInitials * kMaxInitials;

// index.pyl: a header, then per long name (ascending ids) its u32 id and the u32 letters its
// initials hold (bit 0 "a" .. bit 25 "z"), so that a search reads only the long names that have
// every letter of a word.
constexpr uint32_t kVersionOffset = 0;     // u32: format version
constexpr uint32_t kFormatVersion = 1;     // the only version this program reads
constexpr uint32_t kNameCountOffset = 4;   // u32: N, the names of the index
constexpr uint32_t kLongCountOffset = 8;   // u32: names on the long list
constexpr uint32_t kLongNamesOffset = 16;  // bytes 12..15 are zero
constexpr uint32_t kLongNameBytes = 8;     // u32 id, u32 letters

}  // namespace initials
}  // namespace sorvik
