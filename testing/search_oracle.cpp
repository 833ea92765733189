#include "testing/search_oracle.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "index/pinyin_initials.h"
#include "query/keyword_match.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace testing {
namespace {

// Whether some choice of texts for the characters from `at` on spells `word` from `done` on.
bool Spells(const std::vector<std::vector<std::string>>& choices, size_t at,
            const std::string& word, size_t done) {
  if (done == word.size()) return true;
  if (at == choices.size()) return false;
  for (const std::string& text : choices[at]) {
    if (word.compare(done, text.size(), text) == 0 &&
        Spells(choices, at + 1, word, done + text.size()))
      return true;
  }
  return false;
}

// Brute force of a match by initials: ASCII words with a letter, spelled from some character on.
bool NameHoldsByInitials(const std::string& name, std::string word) {
  bool letter = false;
  for (char& c : word) {
    if (c == 0 || static_cast<uint8_t>(c) >= 0x80) return false;
    letter = letter || std::isalpha(static_cast<unsigned char>(c));
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!letter) return false;
  const std::vector<std::vector<std::string>> choices = InitialChoices(name);
  for (size_t at = 0; at < choices.size(); ++at) {
    if (Spells(choices, at, word, 0)) return true;
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

bool NameMatchesWithInitials(const std::string& name, const ParsedKeywords& parsed) {
  if (parsed.selectsAll) return true;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    if (words.empty()) continue;
    bool all = std::all_of(words.begin(), words.end(), [&](const std::string& word) {
      return NameMatchesWord(name, word) || NameHoldsByInitials(name, word);
    });
    if (all) return true;
  }
  return false;
}

bool OracleSelects(const SearchRequest& request, const ParsedKeywords& parsed,
                   const OracleEntry& entry) {
  if (!(request.pinyin ? NameMatchesWithInitials(entry.name, parsed)
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
