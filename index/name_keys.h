// Name keys: a GBK text cut into 16-bit keys, one per double-byte character and one per pair of
// neighbouring single-byte characters. Names and keywords are cut by the same routine, so a
// keyword occurs in a name when its keys occur at consecutive key positions of the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "index/name_index_format.h"

namespace sorvik {

// Cuts `text` (up to `length` bytes or its first zero byte) into name keys, writing them to
// `keys` in order; returns their count (at most names::kMaxNameKeys).
// A limit of at most 254 copies at most `limit` bytes without splitting a double-byte
// character; a larger limit takes the first 254 bytes as they are. Letters fold to 1..26 without
// regard to case and "[]_{}" to 27..31; every other byte is kept.
uint32_t TokenizeName(const char* text, size_t length, uint32_t limit,
                      uint32_t keys[names::kMaxNameKeys]);

// The same, for a whole string.
std::vector<uint32_t> TokenizeName(const std::string& text, uint32_t limit);

}  // namespace sorvik
