#include "index/pinyin_readings.h"

#include <algorithm>
#include <cstring>

namespace sorvik {
namespace {

#include "index/pinyin_readings.inc"

constexpr uint32_t kCodes = kPinyinTableCodes;
constexpr uint32_t kTrails = 0xFE - 0x40 + 1;
static_assert(sizeof kReadingCounts == kCodes + 1, "one count per GBK code");

// Where each code's readings start in kReadings, and the codes of each syllable: derived from the
// generated table once, on first use.
struct ReadingIndex {
  uint16_t start[kCodes + 1];                   // kReadings[start[c] .. start[c + 1])
  std::vector<uint16_t> codes[kSyllableCount];  // the codes reading each syllable

  ReadingIndex() {
    uint32_t at = 0;
    for (uint32_t c = 0; c < kCodes; ++c) {
      start[c] = static_cast<uint16_t>(at);
      const uint32_t count = static_cast<uint32_t>(kReadingCounts[c] - '0');
      for (uint32_t k = 0; k < count && at + k < kReadingTotal; ++k) {
        const uint32_t lead = 0x81 + c / kTrails, trail = 0x40 + c % kTrails;
        codes[kReadings[at + k]].push_back(static_cast<uint16_t>(lead * 256 + trail));
      }
      at = std::min(at + count, kReadingTotal);
    }
    start[kCodes] = static_cast<uint16_t>(at);
  }
};
static_assert(kReadingTotal < 65536, "reading offsets fit 16 bits");

const ReadingIndex& Index() {
  static const ReadingIndex* index = new ReadingIndex;  // never freed: used until exit
  return *index;
}

}  // namespace

PinyinReadings PinyinReadingsOf(uint8_t lead, uint8_t trail) {
  uint32_t code = 0;
  if (!PinyinTableEntry(lead, trail, &code)) return {};
  const ReadingIndex& index = Index();
  const uint32_t count = index.start[code + 1] - index.start[code];
  if (count == 0) return {};
  return PinyinReadings{kReadings + index.start[code], count};
}

uint32_t PinyinSyllableCount() { return kSyllableCount; }

const char* PinyinSyllable(uint32_t id) { return id < kSyllableCount ? kSyllables[id] : ""; }

void SyllablesStartingWith(const char* piece, size_t size, uint32_t* first, uint32_t* end) {
  const auto starts_with = [&](const char* syllable) {
    return std::strncmp(syllable, piece, size) == 0 && std::strlen(syllable) >= size;
  };
  const char* const* begin = kSyllables;
  const char* const* stop = kSyllables + kSyllableCount;
  const char* const* at = std::lower_bound(begin, stop, piece, [&](const char* s, const char* p) {
    return std::strncmp(s, p, size) < 0;
  });
  const char* const* past = at;
  while (past != stop && starts_with(*past)) ++past;
  *first = static_cast<uint32_t>(at - begin);
  *end = static_cast<uint32_t>(past - begin);
}

const std::vector<uint16_t>& CodesReading(uint32_t id) {
  static const std::vector<uint16_t> kNone;
  return id < kSyllableCount ? Index().codes[id] : kNone;
}

}  // namespace sorvik
