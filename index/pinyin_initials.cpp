#include "index/pinyin_initials.h"

#include <algorithm>

#include "index/pinyin_readings.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

const uint32_t kTable[kPinyinTableCodes] = {
#include "index/pinyin_table.inc"
};

bool IsLetter(uint8_t byte) { return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z'; }

// The unit of one ASCII byte.
InitialsUnit ByteUnit(uint8_t byte) {
  return IsLetter(byte) ? (1u << ((byte | 0x20) - 'a')) : (kOtherByte | byte);
}

// Whether the name's unit `place` holds the word's unit `want`: the same other byte, or a letter
// that the place's mask has.
bool UnitMatches(InitialsUnit place, InitialsUnit want) {
  if (want & kOtherByte) return place == want;
  return (place & kOtherByte) == 0 && (place & want) != 0;
}

}  // namespace

uint32_t PinyinInitialsOf(uint8_t lead, uint8_t trail) {
  uint32_t entry = 0;
  return PinyinTableEntry(lead, trail, &entry) ? kTable[entry] : 0;
}

void InitialsOf(const char* name, size_t size, std::vector<InitialsUnit>* units) {
  units->clear();
  for (size_t i = 0; i < size; ++i) {
    const uint8_t byte = static_cast<uint8_t>(name[i]);
    if (GbkCharLength(name, size, i) == 2) {
      units->push_back(PinyinInitialsOf(byte, static_cast<uint8_t>(name[++i])));
    } else {
      units->push_back(byte < 0x80 ? ByteUnit(byte) : 0);
    }
  }
}

std::vector<InitialsUnit> InitialsOf(const std::string& name) {
  std::vector<InitialsUnit> units;
  InitialsOf(name.data(), name.size(), &units);
  return units;
}

bool IsInitialsWord(const std::string& word) {
  bool letter = false;
  for (char c : word) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte == 0 || byte >= 0x80) return false;
    letter = letter || IsLetter(byte);
  }
  return letter;
}

std::vector<InitialsUnit> InitialsPattern(const std::string& word) {
  std::vector<InitialsUnit> pattern;
  if (!IsInitialsWord(word)) return pattern;
  for (char c : word) pattern.push_back(ByteUnit(static_cast<uint8_t>(c)));
  return pattern;
}

bool InitialsContain(const std::vector<InitialsUnit>& initials,
                     const std::vector<InitialsUnit>& pattern) {
  if (pattern.empty()) return false;
  return std::search(initials.begin(), initials.end(), pattern.begin(), pattern.end(),
                     UnitMatches) != initials.end();
}

bool NameMatchesInitials(const std::string& name, const std::string& word) {
  return InitialsContain(InitialsOf(name), InitialsPattern(word));
}

}  // namespace sorvik
