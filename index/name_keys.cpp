#include "index/name_keys.h"

#include <cstring>

#include "text/gbk_text.h"

namespace sorvik {
namespace {

using names::kTokenizeMaxBytes;

// Copies at most `limit` bytes of `text` to `out` without splitting a double-byte character;
// returns the number of bytes copied.
uint32_t CopyWhole(const uint8_t* text, size_t length, uint32_t limit, uint8_t* out) {
  uint32_t copied = 0;
  size_t i = 0;
  while (i < length) {
    const uint32_t width =
        static_cast<uint32_t>(GbkCharLength(reinterpret_cast<const char*>(text), length, i));
    if (copied + width > limit) break;
    std::memcpy(out + copied, text + i, width);
    copied += width;
    i += width;
  }
  return copied;
}

// What each single-byte character folds to: the letters a..z and A..Z to 1..26, the five
// characters of "[]_{}" to 27..31 (their place in that text plus 27), every other byte to itself.
struct FoldTable {
  uint8_t to[128];
};

constexpr FoldTable MakeFoldTable() {
  FoldTable table{};
  const char specials[] = "[]_{}";
  for (int c = 0; c < 128; ++c) table.to[c] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) table.to[c] = static_cast<uint8_t>(c - 'a' + 1);
  for (int c = 'A'; c <= 'Z'; ++c) table.to[c] = static_cast<uint8_t>(c - 'A' + 1);
  for (int i = 0; i < 5; ++i)
    table.to[static_cast<int>(specials[i])] = static_cast<uint8_t>(i + 27);
  return table;
}

constexpr FoldTable kFold = MakeFoldTable();

// Folds the ASCII characters in place; every other character stays as it is.
void Fold(uint8_t* b, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    if (IsGbkLeadByte(b[i])) {
      ++i;  // the byte after a lead byte belongs to the same character
    } else if (b[i] < 0x80) {
      b[i] = kFold.to[b[i]];
    }
  }
}

uint32_t Emit(const uint8_t* b, uint32_t length, uint32_t* keys) {
  uint32_t count = 0;
  uint32_t i = 0;
  while (i + 1 < length) {
    keys[count++] = b[i] * 256u + b[i + 1];
    if (IsGbkLeadByte(b[i])) {
      // A bridge key joins a double-byte character to the single-byte character after it.
      if (i + 2 < length && b[i + 2] >= 1 && b[i + 2] <= 126) {
        keys[count++] = b[i + 1] * 256u + b[i + 2];
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  return count;
}

}  // namespace

uint32_t TokenizeName(const char* text, size_t length, uint32_t limit,
                      uint32_t keys[names::kMaxNameKeys]) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
  const void* end = std::memchr(bytes, 0, length);
  if (end != nullptr) length = static_cast<size_t>(static_cast<const uint8_t*>(end) - bytes);
  uint8_t copy[kTokenizeMaxBytes];
  uint32_t used;
  if (limit <= kTokenizeMaxBytes) {
    used = CopyWhole(bytes, length, limit, copy);
  } else {
    // A large limit cuts at 254 bytes as they are; a shorter text is taken whole.
    used = length < kTokenizeMaxBytes ? static_cast<uint32_t>(length) : kTokenizeMaxBytes;
    std::memcpy(copy, bytes, used);
  }
  Fold(copy, used);
  return Emit(copy, used, keys);
}

std::vector<uint32_t> TokenizeName(const std::string& text, uint32_t limit) {
  uint32_t keys[names::kMaxNameKeys];
  uint32_t count = TokenizeName(text.data(), text.size(), limit, keys);
  return std::vector<uint32_t>(keys, keys + count);
}

}  // namespace sorvik
