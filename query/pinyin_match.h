// Keyword matching with pinyin over a loaded index: a word matches an entry when its name holds
// the word, or when the word is ASCII text that the name spells by pinyin (index/full_pinyin.h:
// initials, whole syllables or prefixes of them). The pinyin matches come from the folder's
// initials index, or, in a folder without one, from a pass over the names of the record store;
// a word that one character spells alone is looked up as that character in the name index.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/pinyin_initials.h"
#include "query/entry_set.h"

namespace sorvik {

class LoadedIndex;
class RecordStore;

// Marks in sets[k] the entries 1..N of `store` whose names spell words[k] by full pinyin in a
// run of two characters or more (PinyinWord::FoundIn); words that may not match by initials
// are skipped. Every name is read once, whatever the number of words.
void MarkPinyinMatches(RecordStore* store, const std::vector<std::string>& words,
                       std::vector<std::unique_ptr<EntrySet>>* sets);

// MatchRun with pinyin: marks in `set` the entries that match every word of one alternative,
// each word by its name keys or by pinyin; no word: nothing. The answer is the same with and
// without the initials index.
void MatchRunWithInitials(LoadedIndex* index, const std::vector<std::string>& words, EntrySet* set);

}  // namespace sorvik
