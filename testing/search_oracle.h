// The brute-force answer to a search, shared by the tests that check the index against it: an
// entry's facts (name, kind, hidden, category, month, path) are tested against the request one
// by one, the way a user reads the search box and the filters, without any index structure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query/search_request.h"

namespace sorvik {
namespace testing {

// One entry as a brute-force search sees it.
struct OracleEntry {
  std::string path;             // full path
  std::string name;             // last component
  bool folder = false;          // a folder
  bool hidden = false;          // has the hidden attribute
  int category = kCategoryAll;  // kCategoryFolders for a folder, else by its extension
  uint16_t month = 0;           // month code of its last-write time
};

// The characters of a name as the texts each may stand for by initials: an ASCII byte in lower
// case, each initial letter of a Chinese character the table covers, any other double-byte
// character as its own two bytes.
std::vector<std::vector<std::string>> InitialChoices(const std::string& name);

// Whether `name` matches `parsed` word by word, each word by its bytes or, as a pinyin search
// also allows, by pinyin: a run of two characters or more spells it, each Chinese character by
// a prefix of one of its readings and each other character by its own byte, decided by trying
// every prefix of every reading; or one character that the name keys hold spells it alone.
bool NameMatchesWithPinyin(const std::string& name, const ParsedKeywords& parsed);

// Whether `text` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// Whether `request` (its keywords parsed into `parsed`) selects `entry`.
bool OracleSelects(const SearchRequest& request, const ParsedKeywords& parsed,
                   const OracleEntry& entry);

}  // namespace testing
}  // namespace sorvik
