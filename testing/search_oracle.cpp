#include "testing/search_oracle.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "index/pinyin_initials.h"
#include "index/pinyin_readings.h"
#include "query/keyword_match.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace testing {
namespace {

// Whether some choice of texts for the characters from `at` on spells `word` from `done` on,
// with `used` characters spent already and at least `fewest` in all.
bool Spells(const std::vector<std::vector<std::string>>& choices, size_t at,
            const std::string& word, size_t done, size_t used, size_t fewest) {
  if (done == word.size()) return used >= fewest;
  if (at == choices.size()) return false;
  for (const std::string& text : choices[at]) {
    if (word.compare(done, text.size(), text) == 0 &&
        Spells(choices, at + 1, word, done + text.size(), used + 1, fewest))
      return true;
  }
  return false;
}

// The texts each character of a name may stand for by full pinyin: an ASCII byte in lower case,
// every prefix of every reading of a Chinese character, any other character its own bytes.
std::vector<std::vector<std::string>> PinyinChoices(const std::string& name) {
  std::vector<std::vector<std::string>> choices;
  for (size_t i = 0; i < name.size();) {
    const uint8_t byte = static_cast<uint8_t>(name[i]);
    if (GbkCharLength(name, i) == 1) {  // a byte of 0x80 or more never occurs in an ASCII word
      choices.push_back({std::string(1, byte < 0x80 ? LowerAscii(name[i]) : name[i])});
      ++i;
      continue;
    }
    const PinyinReadings readings = PinyinReadingsOf(byte, static_cast<uint8_t>(name[i + 1]));
    std::vector<std::string> texts;
    for (uint32_t k = 0; k < readings.count; ++k) {
      const std::string syllable = PinyinSyllable(readings.ids[k]);
      for (size_t n = 1; n <= syllable.size(); ++n) texts.push_back(syllable.substr(0, n));
    }
    if (texts.empty()) texts.push_back(name.substr(i, 2));
    choices.push_back(texts);
    i += 2;
  }
  return choices;
}

// Whether one of the name's indexed keys, read as a double-byte character, has a reading that
// starts with `word` (lower case): a search for that character finds the name.
bool KeySpellsAlone(const std::string& name, const std::string& word) {
  for (uint32_t key : IndexedNameKeys(name)) {
    const PinyinReadings readings = PinyinReadingsOf(key >> 8, key & 0xFF);
    for (uint32_t k = 0; k < readings.count; ++k) {
      if (std::string(PinyinSyllable(readings.ids[k])).compare(0, word.size(), word) == 0) {
        return true;
      }
    }
  }
  return false;
}

// Brute force of a match by pinyin: ASCII words with a letter, spelled by a run of two
// characters or more from some character on, or by one character the name keys hold.
bool NameHoldsByPinyin(const std::string& name, std::string word) {
  bool letter = false;
  for (char& c : word) {
    if (c == 0 || static_cast<uint8_t>(c) >= 0x80) return false;
    letter = letter || std::isalpha(static_cast<unsigned char>(c));
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!letter) return false;
  if (KeySpellsAlone(name, word)) return true;
  const std::vector<std::vector<std::string>> choices = PinyinChoices(name);
  for (size_t at = 0; at < choices.size(); ++at) {
    if (Spells(choices, at, word, 0, 0, 2)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::vector<std::string>> InitialChoices(const std::string& name) {
  std::vector<std::vector<std::string>> choices;
  for (size_t i = 0; i < name.size();) {
    const uint8_t byte = static_cast<uint8_t>(name[i]);
    if (byte < 0x80 || i + 1 == name.size()) {
      choices.push_back({std::string(1, static_cast<char>(std::tolower(byte)))});
      ++i;
      continue;
    }
    const uint32_t mask = PinyinInitialsOf(byte, static_cast<uint8_t>(name[i + 1]));
    std::vector<std::string> letters;
    for (int l = 0; l < 26; ++l) {
      if (mask & (1u << l)) letters.push_back(std::string(1, static_cast<char>('a' + l)));
    }
    if (letters.empty()) letters.push_back(name.substr(i, 2));
    choices.push_back(letters);
    i += 2;
  }
  return choices;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && GbkEqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool NameMatchesWithPinyin(const std::string& name, const ParsedKeywords& parsed) {
  if (parsed.selectsAll) return true;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    if (words.empty()) continue;
    bool all = std::all_of(words.begin(), words.end(), [&](const std::string& word) {
      return NameMatchesWord(name, word) || NameHoldsByPinyin(name, word);
    });
    if (all) return true;
  }
  return false;
}

bool OracleSelects(const SearchRequest& request, const ParsedKeywords& parsed,
                   const OracleEntry& entry) {
  if (!(request.pinyin ? NameMatchesWithPinyin(entry.name, parsed)
                       : NameMatchesKeywords(entry.name, parsed))) {
    return false;
  }
  if (request.hiddenOnly && !entry.hidden) return false;
  if (request.category == kCategoryHidden && !entry.hidden) return false;
  if (request.category == kCategoryFolders && !entry.folder) return false;
  if (request.category >= kCategoryPictures && request.category <= kCategoryMedia &&
      (entry.folder || entry.category != request.category)) {
    return false;
  }
  std::string location = request.location;
  while (location.size() > 2 && location.back() == '\\') location.pop_back();
  if (location.size() >= 2 && !StartsWithNoCase(entry.path, location + "\\")) return false;
  return request.monthFrom == 0 ||
         (request.monthFrom <= entry.month && entry.month < request.monthTo);
}

}  // namespace testing
}  // namespace sorvik
