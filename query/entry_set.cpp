#include "query/entry_set.h"

#include <cstring>
#include <new>

namespace sorvik {

namespace {

// Reads 8 bytes of a raw bitmap that need not be aligned.
inline uint64_t LoadWord64(const uint8_t* raw) {
  uint64_t word;
  std::memcpy(&word, raw, sizeof word);
  return word;
}

// Byte order inside a word does not matter here: only its number of one bits is used.
inline uint32_t LoadWord32(const uint8_t* raw) {
  uint32_t word;
  std::memcpy(&word, raw, sizeof word);
  return word;
}

}  // namespace

std::unique_ptr<EntrySet> EntrySet::Create(uint32_t bitCount, uint8_t fill) {
  const uint32_t word_count = static_cast<uint32_t>((static_cast<uint64_t>(bitCount) + 63) / 64);
  std::unique_ptr<uint64_t[]> words(new (std::nothrow) uint64_t[word_count == 0 ? 1 : word_count]);
  if (!words) return nullptr;
  std::unique_ptr<EntrySet> set(new (std::nothrow) EntrySet(bitCount, std::move(words)));
  if (!set) return nullptr;
  if (fill == 0) {
    std::memset(set->bytes(), 0, static_cast<size_t>(set->word_count_) * 8);
  } else {
    std::memset(set->bytes(), fill, set->byte_count_);
    set->ClearPastEnd();  // also zeroes the padding of the last word
  }
  return set;
}

EntrySet::EntrySet(uint32_t bitCount, std::unique_ptr<uint64_t[]> words)
    : bit_count_(bitCount),
      byte_count_(static_cast<uint32_t>((static_cast<uint64_t>(bitCount) + 7) / 8)),
      word_count_(static_cast<uint32_t>((static_cast<uint64_t>(bitCount) + 63) / 64)),
      words_(std::move(words)) {}

bool EntrySet::Contains(uint32_t id) const {
  if (id == 0 || id > bit_count_) return false;
  return (bytes()[(id - 1) / 8] >> ((id - 1) % 8)) & 1;
}

void EntrySet::SetIds(const uint32_t* ids, uint32_t count) {
  uint8_t* data = bytes();
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t bit = ids[i] - 1;  // id 0 wraps to a bit that is out of range
    if (bit < bit_count_) data[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
}

void EntrySet::AndBytes(const uint8_t* raw) {
  const uint32_t whole = byte_count_ / 8;
  for (uint32_t word = 0; word < whole; ++word) words_[word] &= LoadWord64(raw + 8 * word);
  uint8_t* data = bytes();
  for (uint32_t index = whole * 8; index < byte_count_; ++index) data[index] &= raw[index];
}

void EntrySet::And(const EntrySet& other) {
  const uint32_t common = word_count_ < other.word_count_ ? word_count_ : other.word_count_;
  for (uint32_t word = 0; word < common; ++word) words_[word] &= other.words_[word];
  for (uint32_t word = common; word < word_count_; ++word) words_[word] = 0;
  if (other.bit_count_ != bit_count_) ClearPastEnd();
}

void EntrySet::Or(const EntrySet& other) {
  const uint32_t common = word_count_ < other.word_count_ ? word_count_ : other.word_count_;
  for (uint32_t word = 0; word < common; ++word) words_[word] |= other.words_[word];
  if (other.bit_count_ != bit_count_) ClearPastEnd();
}

void EntrySet::ClearId(uint32_t id) {
  if (id == 0 || id > bit_count_) return;
  bytes()[(id - 1) / 8] &= static_cast<uint8_t>(~(1u << ((id - 1) % 8)));
}

void EntrySet::ClearRange(uint32_t a, uint32_t b) {
  if (a == 0) a = 1;
  if (b <= a) return;
  ClearBits(a - 1, b - 1);  // ids a .. b - 1 are bits a - 1 .. b - 2
}

void EntrySet::KeepRange(uint32_t a, uint32_t b) {
  if (a == 0) a = 1;
  ClearBits(0, a - 1);                              // ids 1 .. a - 1
  ClearBits(static_cast<uint64_t>(b), bit_count_);  // ids b + 1 .. N
}

void EntrySet::ClearBits(uint64_t begin, uint64_t end) {
  if (end > bit_count_) end = bit_count_;
  if (begin >= end) return;
  uint8_t* data = bytes();
  const uint64_t first = begin / 8, last = (end - 1) / 8;
  const unsigned low = static_cast<unsigned>(begin % 8);       // first bit cleared in byte `first`
  const unsigned high = static_cast<unsigned>((end - 1) % 8);  // last bit cleared in `last`
  const unsigned keep_low = (1u << low) - 1;                   // bits below `low`
  const unsigned keep_high = 0xFEu << high;                    // bits above `high`
  if (first == last) {
    data[first] &= static_cast<uint8_t>(keep_low | keep_high);
    return;
  }
  data[first] &= static_cast<uint8_t>(keep_low);
  std::memset(data + first + 1, 0, static_cast<size_t>(last - first - 1));
  data[last] &= static_cast<uint8_t>(keep_high);
}

uint32_t EntrySet::Count() const {
  uint32_t total = 0;
  for (uint32_t word = 0; word < word_count_; ++word) {
    if (words_[word] != 0) total += PopCount64(words_[word]);  // sparse sets are mostly zero
  }
  return total;
}

void EntrySet::ClearPastEnd() {
  uint8_t* data = bytes();
  const size_t padded = static_cast<size_t>(word_count_) * 8;
  std::memset(data + byte_count_, 0, padded - byte_count_);
  if (bit_count_ % 8 != 0)
    data[byte_count_ - 1] &= static_cast<uint8_t>((1u << (bit_count_ % 8)) - 1);
}

uint32_t EntrySetCursor::Count() {
  if (!counted_) {
    count_ = set_->Count();
    counted_ = true;
  }
  return count_;
}

namespace {

// The walk state of one CollectRanks call.
struct RankWalk {
  uint64_t rank;  // rank of the next set id met
  uint64_t first;
  uint32_t wanted;    // ids still to append
  uint32_t appended;  // ids appended so far
  std::vector<uint32_t>* out;
};

// Walks the one bits of byte `value` whose ids start after `base`. Returns true when done.
bool CollectFromByte(uint8_t value, uint32_t base, RankWalk* walk) {
  const uint32_t ones = kBitTables.bitsPerByte[value];
  if (walk->rank + ones <= walk->first) {
    walk->rank += ones;
    return false;
  }
  for (uint32_t i = 0; i < ones; ++i) {
    if (walk->rank++ < walk->first) continue;
    walk->out->push_back(base + kBitTables.bitPositions[value][i]);
    walk->appended += 1;
    if (--walk->wanted == 0) return true;
  }
  return false;
}

}  // namespace

uint32_t EntrySetCursor::CollectRanks(uint32_t first, uint32_t count, std::vector<uint32_t>* out) {
  if (first == 0) first = 1;
  if (count == 0 || (counted_ && first > count_)) return 0;
  RankWalk walk{1, first, count, 0, out};
  const uint32_t whole = byte_count_ / 4;
  for (uint32_t word = 0; word < whole; ++word) {
    // Eight zero bytes at a time first: a sparse set is mostly zero.
    if (word % 2 == 0 && word + 1 < whole && LoadWord64(bytes_ + 4 * word) == 0) {
      ++word;
      continue;
    }
    const uint32_t value = LoadWord32(bytes_ + 4 * word);
    if (value == 0) continue;
    const uint32_t ones = PopCount32(value);
    if (walk.rank + ones <= walk.first) {
      walk.rank += ones;
      continue;
    }
    for (uint32_t index = 4 * word; index < 4 * word + 4; ++index) {
      if (CollectFromByte(bytes_[index], 8 * index, &walk)) return walk.appended;
    }
    if (counted_ && walk.rank > count_) return walk.appended;  // every set id was met
  }
  for (uint32_t index = whole * 4; index < byte_count_; ++index) {
    if (CollectFromByte(bytes_[index], 8 * index, &walk)) return walk.appended;
  }
  return walk.appended;
}

}  // namespace sorvik
