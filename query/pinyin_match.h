// Keyword matching with pinyin initials over a loaded index: a word matches an entry when its
// name holds the word, or when the word is ASCII text and the name's initials hold it. The
// initials matches come from the folder's initials index, or, in a folder without one, from a
// pass over the names of the record store.
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

// Marks in sets[k] the entries 1..N of `store` whose initials hold patterns[k]; empty patterns
// are skipped. Every name is read once, whatever the number of patterns.
void MarkInitialsMatches(RecordStore* store, const std::vector<std::vector<InitialsUnit>>& patterns,
                         std::vector<std::unique_ptr<EntrySet>>* sets);

// MatchRun with initials: marks in `set` the entries that match every word of one alternative,
// each word by its name keys or by initials; no word: nothing. The answer is the same with and
// without the initials index.
void MatchRunWithInitials(LoadedIndex* index, const std::vector<std::string>& words, EntrySet* set);

}  // namespace sorvik
