// The meaning of a keyword line over one name, computed directly from the name: the reference
// that the indexed query must agree with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query/search_request.h"

namespace sorvik {

// The keys the index records for a name: those of its first 128 bytes, at most 128 of them.
std::vector<uint32_t> IndexedNameKeys(const std::string& name);

// True when the keys of `word` occur at consecutive key positions of `name`: the name is cut to
// its first 128 bytes and 128 key positions; a one-key word may sit at any of them, a word of
// n >= 2 keys must start at key position 127 - n or earlier. A word without keys matches
// nothing.
bool NameMatchesWord(const std::string& name, const std::string& word);

// True when `parsed` selects everything, or `name` matches every word of some alternative
// that has at least one word.
bool NameMatchesKeywords(const std::string& name, const ParsedKeywords& parsed);

}  // namespace sorvik
