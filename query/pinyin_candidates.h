// The full-pinyin matches of a word through the indexes: the names whose keys hold a character
// that spells the word alone, and the names whose initials hold one of the initials words the
// word may stand for (index/full_pinyin.h), checked against their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query/entry_set.h"

namespace sorvik {

class IndexReader;
class InitialsReader;
class LoadedIndex;
class RecordStore;

// The name of a record text: its "I" line (the last one when repeated); `size` 0 without one.
void NameOfRecord(const char* text, uint32_t length, const char** name, uint32_t* size);
// The name of record `id` of `store`, as NameOfRecord gives it; false when the record cannot
// be read. The name stays valid until the store's next read.
bool ReadRecordName(RecordStore* store, uint32_t id, const char** name, uint32_t* size);

// The long names that hold every key of a word somewhere: the lists of the keys at
// initials::kLongPosition of the initials matrix intersected, shortest first. Ids as stored.
std::vector<uint32_t> LongCandidates(IndexReader* matrix, const std::vector<uint32_t>& keys);

// Marks in `set` the entries whose name keys hold a character that spells `word` alone.
void MarkSingleCharacters(IndexReader* names, const std::string& word, EntrySet* set);

// Marks in `set` the entries whose names spell `word` (IsInitialsWord) in a run of two
// characters or more, found through the initials index; with `within`, entries outside it may
// be left out. Names the name keys cover (ASCII only, at most 127 bytes) are left to them.
void MarkRunsByInitials(LoadedIndex* index, InitialsReader* initials, const std::string& word,
                        const EntrySet* within, EntrySet* set);

}  // namespace sorvik
