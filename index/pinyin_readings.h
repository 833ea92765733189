// Toneless pinyin readings of GBK characters, from the generated table index/pinyin_readings.inc
// (the same data set as the initials, docs/pinyin.md): every reading is a syllable of lower-case
// letters, "v" standing for "ü" (lv, nve), and a character may have several.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorvik {

// Where the generated pinyin tables keep a GBK double-byte code: lead 0x81..0xFE and trail
// 0x40..0xFE, entry (lead - 0x81) * 191 + (trail - 0x40). False for any other code.
constexpr uint32_t kPinyinTableCodes = (0xFE - 0x81 + 1) * (0xFE - 0x40 + 1);
inline bool PinyinTableEntry(uint8_t lead, uint8_t trail, uint32_t* entry) {
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return false;
  *entry = (lead - 0x81u) * (0xFE - 0x40 + 1) + (trail - 0x40u);
  return true;
}

// The readings of one GBK double-byte code: ids into the syllable list, ascending.
struct PinyinReadings {
  const uint16_t* ids = nullptr;  // null when count is 0
  uint32_t count = 0;             // 0 for a code without readings
};

// The readings of the code lead * 256 + trail; none outside lead 0x81..0xFE, trail 0x40..0xFE.
PinyinReadings PinyinReadingsOf(uint8_t lead, uint8_t trail);

// The number of syllables and the text of syllable `id` (alphabetical order); "" out of range.
uint32_t PinyinSyllableCount();
const char* PinyinSyllable(uint32_t id);

// The syllables that start with the `size` lower-case bytes at `piece`: ids first..end - 1
// (they are contiguous, the list being sorted); first == end when none does.
void SyllablesStartingWith(const char* piece, size_t size, uint32_t* first, uint32_t* end);

// The GBK codes (lead * 256 + trail) that have syllable `id` among their readings, ascending.
const std::vector<uint16_t>& CodesReading(uint32_t id);

}  // namespace sorvik
