// EntrySet: the query's working set, one bit per entry id of the loaded index, and
// EntrySetCursor, which counts a set and cuts ranks (pages) out of it.
//
// Entry id k (1-based) is bit (k - 1) % 8 of byte (k - 1) / 8, least significant bit first: the
// layout of the category bitmaps in index.cm, so a bitmap read from that file combines with a set
// byte for byte. No bit beyond id N is ever set, whatever the input.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace sorvik {

// The two constant tables for walking bits: the number of one bits of each byte value, and for
// each byte value the 1-based positions (1 = least significant bit) of its one bits in ascending
// order, remaining entries 0. Built at compile time.
struct BitTables {
  uint8_t bitsPerByte[256];
  uint8_t bitPositions[256][8];
};

constexpr BitTables MakeBitTables() {
  BitTables tables{};
  for (int value = 0; value < 256; ++value) {
    int ones = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if (value & (1 << bit)) tables.bitPositions[value][ones++] = static_cast<uint8_t>(bit + 1);
    }
    tables.bitsPerByte[value] = static_cast<uint8_t>(ones);
  }
  return tables;
}

inline constexpr BitTables kBitTables = MakeBitTables();

// Bit counts done by hand: where the target's baseline has no popcount instruction the
// compiler's builtin becomes a library call per word, which dominated counting a large set. A
// 32-bit target counts a 64-bit word as two halves, without a 64-bit multiplication.
inline uint32_t PopCount32(uint32_t value) {
  value = value - ((value >> 1) & 0x55555555u);
  value = (value & 0x33333333u) + ((value >> 2) & 0x33333333u);
  return (((value + (value >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24;
}
inline uint32_t PopCount64(uint64_t value) {
  if constexpr (sizeof(void*) < 8) {
    return PopCount32(static_cast<uint32_t>(value)) +
           PopCount32(static_cast<uint32_t>(value >> 32));
  } else {
    value = value - ((value >> 1) & 0x5555555555555555ull);
    value = (value & 0x3333333333333333ull) + ((value >> 2) & 0x3333333333333333ull);
    value = (value + (value >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((value * 0x0101010101010101ull) >> 56);
  }
}

class EntrySet {
 public:
  // A set of `bitCount` entries with every byte = `fill` (0x00 or 0xFF); with a non-zero fill the
  // last byte keeps only the bits of ids 1..bitCount. Null when the memory cannot be had.
  static std::unique_ptr<EntrySet> Create(uint32_t bitCount, uint8_t fill);

  EntrySet(const EntrySet&) = delete;
  EntrySet& operator=(const EntrySet&) = delete;

  uint32_t bitCount() const { return bit_count_; }    // N, the entries of the loaded index
  uint32_t byteCount() const { return byte_count_; }  // (N + 7) / 8
  uint32_t wordCount() const { return word_count_; }  // (byteCount + 7) / 8
  // The raw bitmap, byteCount() bytes, for readers that mark ids directly, stored in
  // wordCount() whole 64-bit words whose padding bytes are zero. A writer that may have set
  // bits beyond id N must call ClearPastEnd afterwards.
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(words_.get()); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(words_.get()); }

  bool Contains(uint32_t id) const;
  // Sets the bit of each id in `ids`; ids of 0 or beyond N are ignored.
  void SetIds(const uint32_t* ids, uint32_t count);
  // AND with a raw bitmap of exactly byteCount() bytes (a category bitmap of index.cm).
  void AndBytes(const uint8_t* raw);
  // AND / OR with another set. Sets of another size combine over their common bytes: AND clears
  // what the other does not cover, OR drops what lies beyond this set's N.
  void And(const EntrySet& other);
  void Or(const EntrySet& other);
  void ClearId(uint32_t id);
  // Clears ids a .. b - 1; the part outside 1..N is ignored, b <= a clears nothing.
  void ClearRange(uint32_t a, uint32_t b);
  // Clears every id outside a .. b (both inclusive); b < a clears everything.
  void KeepRange(uint32_t a, uint32_t b);
  // Number of set ids.
  uint32_t Count() const;
  // Clears any bit beyond id N (after raw writes through bytes()).
  void ClearPastEnd();

  // Calls fn(id) for every set id in ascending order.
  template <typename Fn>
  void ForEachId(Fn&& fn) const;
  // Calls pred(id) for every set id in ascending order and clears the ids where it is true.
  // On a full set this visits every id by index, in order, with no wasted work.
  template <typename Pred>
  void ClearIdsWhere(Pred&& pred);

 private:
  EntrySet(uint32_t bitCount, std::unique_ptr<uint64_t[]> words);
  // Clears bit indices [begin, end) (0-based), clamped to the set.
  void ClearBits(uint64_t begin, uint64_t end);

  uint32_t bit_count_;   // N
  uint32_t byte_count_;  // (N + 7) / 8
  uint32_t word_count_;  // (byteCount + 7) / 8; the padding bytes of the last word stay zero
  std::unique_ptr<uint64_t[]> words_;  // the bitmap, 8 bytes at a time
};

// Counts a set and collects ranks from it. The set must not change while the cursor is used.
class EntrySetCursor {
 public:
  explicit EntrySetCursor(const EntrySet& set)
      : set_(&set), bytes_(set.bytes()), byte_count_(set.byteCount()) {}

  // Number of set ids; computed on the first call and cached.
  uint32_t Count();
  // Appends to `out` the ids whose rank among the set ids (1-based, ascending id order) is
  // first .. first + count - 1, and returns how many it appended. A count of 0xFFFFFFFF (-1)
  // means all ranks from `first`; a first of 0 is taken as 1.
  uint32_t CollectRanks(uint32_t first, uint32_t count, std::vector<uint32_t>* out);

 private:
  const EntrySet* set_;   // the set walked
  const uint8_t* bytes_;  // its bitmap
  uint32_t byte_count_;   // its byte count
  uint32_t count_ = 0;    // cached Count, 0 until computed
  bool counted_ = false;  // whether count_ holds the count
};

template <typename Fn>
void EntrySet::ForEachId(Fn&& fn) const {
  const uint8_t* data = bytes();
  for (uint32_t word = 0; word < word_count_; ++word) {
    if (words_[word] == 0) continue;
    for (uint32_t index = word * 8; index < word * 8 + 8; ++index) {
      const uint8_t value = data[index];
      const uint8_t* positions = kBitTables.bitPositions[value];
      for (uint32_t i = 0; i < kBitTables.bitsPerByte[value]; ++i) fn(index * 8 + positions[i]);
    }
  }
}

template <typename Pred>
void EntrySet::ClearIdsWhere(Pred&& pred) {
  uint8_t* data = bytes();
  for (uint32_t word = 0; word < word_count_; ++word) {
    if (words_[word] == 0) continue;
    for (uint32_t index = word * 8; index < word * 8 + 8; ++index) {
      const uint8_t value = data[index];
      const uint8_t* positions = kBitTables.bitPositions[value];
      uint8_t kept = value;
      for (uint32_t i = 0; i < kBitTables.bitsPerByte[value]; ++i) {
        if (pred(index * 8 + positions[i]))
          kept &= static_cast<uint8_t>(~(1u << (positions[i] - 1)));
      }
      data[index] = kept;
    }
  }
}

}  // namespace sorvik
