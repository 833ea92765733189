#include "query/pinyin_match.h"

#include <algorithm>
#include <iterator>

#include "index/index_reader.h"
#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/initials_reader.h"
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

// The long names that hold every key of a word somewhere: the lists of the keys at
// initials::kLongPosition intersected, shortest first.
std::vector<uint32_t> LongCandidates(IndexReader* matrix, const std::vector<uint32_t>& keys) {
  std::vector<std::pair<uint32_t, uint32_t>> order;  // (id count, key)
  for (uint32_t key : keys) {
    const MatrixCell cell = matrix->Lookup(key, initials::kLongPosition);
    if (cell.value == 0) return {};
    order.emplace_back(cell.value, key);
  }
  std::sort(order.begin(), order.end());
  std::vector<uint32_t> candidates, list;
  for (size_t k = 0; k < order.size(); ++k) {
    if (!matrix->ReadList(matrix->Lookup(order[k].second, initials::kLongPosition), &list)) {
      return {};
    }
    if (!std::is_sorted(list.begin(), list.end())) std::sort(list.begin(), list.end());  // damage
    if (k == 0) {
      candidates.swap(list);
      continue;
    }
    std::vector<uint32_t> both;
    std::set_intersection(candidates.begin(), candidates.end(), list.begin(), list.end(),
                          std::back_inserter(both));
    candidates.swap(both);
    if (candidates.empty()) break;
  }
  return candidates;
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
    if (IsInitialsWord(word)) MarkIndexedInitials(index, initials, word, within, word_set.get());
    if (k == 0) {
      set->Or(*word_set);
    } else {
      set->And(*word_set);
    }
  }
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
  if (index->initials() != nullptr) {
    MatchRunIndexed(index, index->initials(), words, set);
    return;
  }
  // Without an initials index (a folder built by an older version) the names are scanned.
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
