#include "query/keyword_match.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "index/name_index_format.h"
#include "index/name_keys.h"

namespace sorvik {
namespace {

// Keys of `word` at 0-based key position `start` of `name_keys`.
bool KeysAt(const std::vector<uint32_t>& name_keys, size_t start,
            const std::vector<uint32_t>& word_keys) {
  if (start + word_keys.size() > name_keys.size()) return false;
  return std::equal(word_keys.begin(), word_keys.end(), name_keys.begin() + start);
}

}  // namespace

std::vector<uint32_t> IndexedNameKeys(const std::string& name) {
  uint32_t limit = static_cast<uint32_t>(std::min<size_t>(name.size(), names::kMaxPosition));
  std::vector<uint32_t> keys = TokenizeName(name, limit);
  if (keys.size() > names::kMaxPosition) keys.resize(names::kMaxPosition);
  return keys;
}

bool NameMatchesWord(const std::string& name, const std::string& word) {
  std::vector<uint32_t> word_keys = TokenizeName(word, static_cast<uint32_t>(word.size()));
  std::vector<uint32_t> name_keys = IndexedNameKeys(name);
  size_t n = word_keys.size();
  if (n == 0) return false;
  if (n == 1) return std::count(name_keys.begin(), name_keys.end(), word_keys[0]) > 0;
  // Start positions s = 1 .. 127 - n (1-based).
  for (size_t s = 1; s + n <= names::kMaxPosition - 1; ++s) {
    if (KeysAt(name_keys, s - 1, word_keys)) return true;
  }
  return false;
}

bool NameMatchesKeywords(const std::string& name, const ParsedKeywords& parsed) {
  if (parsed.selectsAll) return true;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    if (words.empty()) continue;
    bool all = std::all_of(words.begin(), words.end(),
                           [&](const std::string& word) { return NameMatchesWord(name, word); });
    if (all) return true;
  }
  return false;
}

}  // namespace sorvik
