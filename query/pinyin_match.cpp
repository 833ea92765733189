#include "query/pinyin_match.h"

#include <algorithm>

#include "index/record_store.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"

namespace sorvik {
namespace {

// The initials of the name of a record text (its "I" line; the last one when repeated).
void InitialsOfRecord(const char* text, uint32_t length, std::vector<InitialsUnit>* initials) {
  initials->clear();
  ForEachRecordField(text, length,
                     [&](const char* key, uint32_t key_length, const char* value, uint32_t size) {
                       if (key_length == 1 && key[0] == 'I') InitialsOf(value, size, initials);
                     });
}

bool AnyPattern(const std::vector<std::vector<InitialsUnit>>& patterns) {
  for (const std::vector<InitialsUnit>& pattern : patterns) {
    if (!pattern.empty()) return true;
  }
  return false;
}

}  // namespace

void MarkInitialsMatches(RecordStore* store, const std::vector<std::vector<InitialsUnit>>& patterns,
                         std::vector<std::unique_ptr<EntrySet>>* sets) {
  if (!AnyPattern(patterns) || sets->empty()) return;
  const uint32_t count = std::min(store->Count(), (*sets)[0]->bitCount());
  std::vector<InitialsUnit> initials;
  for (uint32_t id = 1; id <= count; ++id) {
    const char* text = nullptr;
    uint32_t length = 0;
    if (!store->ReadText(id, &text, &length)) continue;
    InitialsOfRecord(text, length, &initials);
    for (size_t k = 0; k < patterns.size(); ++k) {
      if (InitialsContain(initials, patterns[k])) (*sets)[k]->SetIds(&id, 1);
    }
  }
}

void MatchRunWithInitials(LoadedIndex* index, const std::vector<std::string>& words,
                          EntrySet* set) {
  if (words.empty()) return;
  std::vector<std::unique_ptr<EntrySet>> sets;
  std::vector<std::vector<InitialsUnit>> patterns;
  for (const std::string& word : words) {
    std::unique_ptr<EntrySet> word_set = EntrySet::Create(set->bitCount(), 0x00);
    if (!word_set) return;
    MatchWord(index->reader(), word, word_set.get());
    sets.push_back(std::move(word_set));
    patterns.push_back(InitialsPattern(word));
  }
  MarkInitialsMatches(index->store(), patterns, &sets);
  set->Or(*sets[0]);
  for (size_t k = 1; k < sets.size(); ++k) set->And(*sets[k]);
}

}  // namespace sorvik
