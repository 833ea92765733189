#include "query/pinyin_match.h"

#include <algorithm>
#include <iterator>

#include "index/full_pinyin.h"
#include "index/index_reader.h"
#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/initials_reader.h"
#include "index/record_store.h"
#include "query/loaded_index.h"
#include "query/pinyin_candidates.h"
#include "query/query_engine.h"

namespace sorvik {
namespace {

// The initials of the name of a record text.
void InitialsOfRecord(const char* text, uint32_t length, std::vector<InitialsUnit>* initials) {
  const char* name = nullptr;
  uint32_t size = 0;
  NameOfRecord(text, length, &name, &size);
  InitialsOf(name, size, initials);
}

// Marks the long names whose initials hold `word` (of two keys or more): the candidates that
// hold all its keys are checked against their initials.
void MarkLongNames(RecordStore* store, IndexReader* matrix, const std::string& word,
                   const std::vector<uint32_t>& keys, const EntrySet* within, EntrySet* set) {
  const std::vector<InitialsUnit> pattern = InitialsPattern(word);
  std::vector<InitialsUnit> units;
  for (uint32_t id : LongCandidates(matrix, keys)) {
    if (id == 0 || id > set->bitCount()) continue;  // damage: not an entry of this index
    if (within != nullptr && !within->Contains(id)) continue;
    const char* text = nullptr;
    uint32_t length = 0;
    if (!store->ReadText(id, &text, &length)) continue;
    InitialsOfRecord(text, length, &units);
    if (InitialsContain(units, pattern)) set->SetIds(&id, 1);
  }
}

// Marks in `set` the entries whose initials hold `word` (IsInitialsWord, at least two bytes:
// shorter words never reach a search) by the initials index; with `within`, entries outside it
// may be left out. The names the name keys cover are left to them: their initials are their own
// bytes.
void MarkIndexedInitials(LoadedIndex* index, InitialsReader* initials, const std::string& word,
                         const EntrySet* within, EntrySet* set) {
  const std::vector<uint32_t> keys = InitialsWordKeys(word);
  // One key: its whole region, long names included.
  MatchKeys(initials->matrix(), keys, within, set);
  if (keys.size() >= 2) MarkLongNames(index->store(), initials->matrix(), word, keys, within, set);
}

// MatchRunWithInitials through the initials index. The longer words go first, as they tend to
// be rarer; each later word is looked up only within what the earlier ones left.
void MatchRunIndexed(LoadedIndex* index, InitialsReader* initials,
                     const std::vector<std::string>& words, EntrySet* set) {
  std::vector<const std::string*> order;
  for (const std::string& word : words) order.push_back(&word);
  std::stable_sort(order.begin(), order.end(), [](const std::string* a, const std::string* b) {
    return a->size() > b->size();
  });
  for (size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && set->Count() == 0) return;  // an empty intersection stays empty
    const std::string& word = *order[k];
    std::unique_ptr<EntrySet> word_set = EntrySet::Create(set->bitCount(), 0x00);
    if (!word_set) return;
    const EntrySet* within = k == 0 ? nullptr : set;
    if (within == nullptr) {
      MatchWord(index->reader(), word, word_set.get());
    } else {
      MatchWordWithin(index->reader(), word, *within, word_set.get());
    }
    if (IsInitialsWord(word)) {
      MarkIndexedInitials(index, initials, word, within, word_set.get());
      MarkSingleCharacters(index->reader(), word, word_set.get());
      MarkRunsByInitials(index, initials, word, within, word_set.get());
    }
    if (k == 0) {
      set->Or(*word_set);
    } else {
      set->And(*word_set);
    }
  }
}

}  // namespace

void MarkPinyinMatches(RecordStore* store, const std::vector<std::string>& words,
                       std::vector<std::unique_ptr<EntrySet>>* sets) {
  std::vector<PinyinWord> prepared(words.begin(), words.end());
  if (sets->empty() || std::all_of(prepared.begin(), prepared.end(),
                                   [](const PinyinWord& word) { return word.Empty(); })) {
    return;
  }
  const uint32_t count = std::min(store->Count(), (*sets)[0]->bitCount());
  for (uint32_t id = 1; id <= count; ++id) {
    const char* name = nullptr;
    uint32_t size = 0;
    if (!ReadRecordName(store, id, &name, &size)) continue;
    for (size_t k = 0; k < prepared.size(); ++k) {
      if (prepared[k].FoundIn(name, size)) (*sets)[k]->SetIds(&id, 1);
    }
  }
}

void MatchRunWithInitials(LoadedIndex* index, const std::vector<std::string>& words,
                          EntrySet* set) {
  if (words.empty()) return;
  if (index->initials() != nullptr) {
    MatchRunIndexed(index, index->initials(), words, set);
    return;
  }
  // Without an initials index (a folder built by an older version) the names are scanned.
  std::vector<std::unique_ptr<EntrySet>> sets;
  for (const std::string& word : words) {
    std::unique_ptr<EntrySet> word_set = EntrySet::Create(set->bitCount(), 0x00);
    if (!word_set) return;
    MatchWord(index->reader(), word, word_set.get());
    if (IsInitialsWord(word)) MarkSingleCharacters(index->reader(), word, word_set.get());
    sets.push_back(std::move(word_set));
  }
  MarkPinyinMatches(index->store(), words, &sets);
  set->Or(*sets[0]);
  for (size_t k = 1; k < sets.size(); ++k) set->And(*sets[k]);
}

}  // namespace sorvik
