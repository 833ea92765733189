// Layout of the initials index, the two files a build adds beside the name index so that a
// search by pinyin initials needs no pass over every name. They have the layout of index.mtr and
// index.dat (index/name_index_format.h), over keys of the names' initials
// (index/initials_keys.h). docs/formats.md describes them in prose. Readers of the name index
// alone never open these files, and a folder without them is searched by a pass over the names.
#pragma once

#include <cstdint>

namespace sorvik {
namespace initials {

// File names inside an index folder.
constexpr const char kMatrixFile[] = "index.pym";   // key matrix, index.mtr's format
constexpr const char kPostingFile[] = "index.pyd";  // its posting lists, index.dat's format

// A name whose initials string has at most this many places is listed at the positions of its
// pairs of places, 1..kMaxUnits - 1, where a keyword is looked up as in the name index.
constexpr uint32_t kMaxUnits = 127;
// A longer name (a long name) is listed at this position under every key it holds anywhere,
// once per key: a word of one key finds it in the key's whole region, a longer word takes the
// long names that hold all its keys as candidates and checks their initials.
constexpr uint32_t kLongPosition = 128;
// Most initial letters one character has in the table, and so the most keys one pair of
// places can give (kMaxInitials squared).
constexpr uint32_t kMaxInitials = 7;
// Most (key, position) pairs one name gives: every key of two bytes in 1..127 (a long name);
// a listed name gives at most (kMaxUnits - 1) * kMaxInitials * kMaxInitials, fewer.
constexpr uint32_t kMaxNameKeys = 127 * 127;

}  // namespace initials
}  // namespace sorvik
