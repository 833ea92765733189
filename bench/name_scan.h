// The brute-force floor of the benchmark: every name of an index held in one buffer, searched
// for each keyword, letters compared without regard to case. It answers the same keyword lines
// as the index (words of one comma run must all occur, runs are alternatives) by substring
// search alone, so it needs no key positions and no posting lists. One pass over the buffer
// looks for the rarest word of a run (judged by how often its first and last byte occur); the
// other words are looked for in each name found. The pass uses a vector filter on the first and
// last byte (simd_find.h) or the C library's search, to compare the two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

class RecordStore;

namespace bench {

// Lower-cases the ASCII letters of GBK `text` in place; double-byte characters stay as they are.
void FoldLetters(std::string* text);

// The byte search a scan uses.
enum class ScanFinder { kSimd, kLibrary };

class NameScan {
 public:
  // Appends one name (GBK).
  void Add(const char* name, uint32_t length);
  // Appends the name of every record of `store`, ids 1..N in order; returns how many.
  uint32_t Load(RecordStore* store);
  uint32_t NameCount() const { return name_count_; }
  // Number of names that match the normalised keyword line `keywords` (GBK); a line without
  // any kept word matches every name.
  uint32_t Count(const std::string& keywords, ScanFinder finder = ScanFinder::kSimd) const;

 private:
  // Appends to `hits` (ascending) the offsets of the names that hold every word of `words`
  // (folded).
  void MatchRun(const std::vector<std::string>& words, ScanFinder finder,
                std::vector<uint32_t>* hits) const;
  // The word of `words` whose first and last byte occur together least often, as estimated from
  // the byte counts of the buffer.
  size_t RarestWord(const std::vector<std::string>& words) const;
  // The offset of the name that holds byte `offset` of the buffer.
  size_t NameStart(size_t offset) const;

  std::string text_;  // folded names, each followed by a line feed
  uint32_t name_count_ = 0;
  uint64_t byte_counts_[256] = {};
};

}  // namespace bench
}  // namespace sorvik
