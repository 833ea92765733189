// The keys of the initials index. A name's initials string (index/pinyin_initials.h) is cut
// into pairs of neighbouring places, like the name keys cut a name into pairs of bytes; a place
// of a character with several initials stands for each of them, so one pair of places may give
// several keys at the same position. A keyword of ASCII text is cut into pairs of its bytes with
// letters in lower case, and occurs in the initials where its keys occur at consecutive
// positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "index/pinyin_initials.h"

namespace sorvik {

// One key of a name and the position (1-based) it occurs at.
struct KeyAtPosition {
  uint32_t key;
  uint32_t position;
};

// Where the initials matches of a name are found.
enum class InitialsPlace {
  kNameKeys,  // at most 127 bytes, each in 1..127: the initials string is the name with its
              // letters folded, and the name keys find every keyword in it
  kMatrix,    // any other name of at most initials::kMaxUnits places: the initials key matrix
              // at the positions of its pairs of places
  kLongList,  // longer: the initials key matrix at initials::kLongPosition, and matched against
              // its initials when searched
};
InitialsPlace PlaceOfInitials(const char* name, size_t length);

// The (key, position) pairs under which the initials key matrix lists a name, written to `out`,
// which holds initials::kMaxNameKeys; returns their count. Names the name keys cover give none.
// A key is (first byte) * 256 + second byte, each byte an ASCII byte with letters in lower case;
// a place without readings (a double-byte character outside the table, a zero byte) gives no key.
uint32_t InitialsKeys(const char* name, size_t length, KeyAtPosition* out);

// The keys of a keyword word that may match by initials (IsInitialsWord); none for a word of one
// byte.
std::vector<uint32_t> InitialsWordKeys(const std::string& word);

}  // namespace sorvik
