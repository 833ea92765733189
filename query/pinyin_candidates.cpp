#include "query/pinyin_candidates.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "index/full_pinyin.h"
#include "index/index_reader.h"
#include "index/initials_format.h"
#include "index/initials_reader.h"
#include "index/name_index_format.h"
#include "index/name_keys.h"
#include "index/record_store.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr size_t kMostInitialsWords = 64;  // initials words one word is looked up under
constexpr size_t kLongestCut = 16;         // bytes of a word cut into pieces, at most
constexpr size_t kShortestCut = 7;  // a shorter prefix might be spelled by one character alone
constexpr uint32_t kUnfilteredCandidates = 16;  // fewer are checked without the piece filter
constexpr size_t kMostPairs = 1024;  // pairs of characters looked up for a cut into two pieces

// The initials words under which every run of two characters or more that spells `word` is
// found, each with the pieces that filter its names (CutInitials): those of its cuts, or, for a
// word too long to cut, those of a prefix that is not (a run that spells the word also spells
// each prefix of it), the prefix's own bytes included, unfiltered; `whole` tells which. Words of
// one byte (the word spelled by one character alone) are left out.
std::vector<CutInitials> LookupsOf(const std::string& word, bool* whole) {
  std::vector<CutInitials> lookups;
  size_t length = std::min(word.size(), kLongestCut);
  while (!FullPinyinInitials(word.substr(0, length), kMostInitialsWords, &lookups) &&
         length > kShortestCut) {
    --length;
  }
  *whole = length == word.size();
  if (!*whole) {
    std::string prefix = word.substr(0, length);
    for (char& c : prefix) c = LowerAscii(c);
    lookups.push_back({prefix, {}});
  }
  lookups.erase(std::remove_if(lookups.begin(), lookups.end(),
                               [](const CutInitials& cut) { return cut.initials.size() < 2; }),
                lookups.end());
  return lookups;
}

// Whether the name of record `id` may be longer than the name keys cover: its record text (the
// name, "I:" and more) is longer than names::kMaxPosition + 2 bytes.
bool MayOutgrowNameKeys(RecordStore* store, uint32_t id) {
  uint32_t length = 0;
  return !store->TextLength(id, &length) || length > names::kMaxPosition + 2;
}

// The entries whose name keys hold a character that spells a piece, made once per piece and
// search. A name of at most names::kMaxPosition bytes has every character among its keys.
class PieceFilter {
 public:
  PieceFilter(LoadedIndex* index, uint32_t entries) : index_(index), entries_(entries) {}

  // Whether entry `id`, found under the initials of `cut`, may spell the word that way: for some
  // cut, it holds a character for each of its longer pieces.
  bool Passes(const CutInitials& cut, uint32_t id) {
    if (cut.pieces.empty()) return true;
    for (const std::string& pieces : cut.pieces) {
      if (HoldsEach(pieces, id)) return true;
    }
    return MayOutgrowNameKeys(index_->store(), id);
  }

 private:
  // Whether entry `id` holds a character for each of the space-separated `pieces`.
  bool HoldsEach(const std::string& pieces, uint32_t id) {
    for (size_t at = 0; at < pieces.size();) {
      size_t end = pieces.find(' ', at);
      if (end == std::string::npos) end = pieces.size();
      const EntrySet* holders = HoldersOf(pieces.substr(at, end - at));
      if (holders != nullptr && !holders->Contains(id)) return false;
      at = end + 1;
    }
    return true;
  }

  const EntrySet* HoldersOf(const std::string& piece) {
    for (const auto& made : made_) {
      if (made.first == piece) return made.second.get();
    }
    std::unique_ptr<EntrySet> holders = EntrySet::Create(entries_, 0x00);
    if (holders) MarkSingleCharacters(index_->reader(), piece, holders.get());
    made_.emplace_back(piece, std::move(holders));
    return made_.back().second.get();
  }

  LoadedIndex* index_;
  uint32_t entries_;
  std::vector<std::pair<std::string, std::unique_ptr<EntrySet>>> made_;  // piece, its holders
};

// The keys of an initials word: its pairs of bytes (letters already in lower case).
std::vector<uint32_t> KeysOf(const std::string& initials) {
  std::vector<uint32_t> keys;
  for (size_t i = 1; i < initials.size(); ++i) {
    keys.push_back(static_cast<uint8_t>(initials[i - 1]) * 256u +
                   static_cast<uint8_t>(initials[i]));
  }
  return keys;
}

// Marks in `candidates` the names whose initials hold `initials`, long names included.
void MarkInitialsCandidates(IndexReader* matrix, const std::string& initials,
                            const EntrySet* within, EntrySet* candidates) {
  const std::vector<uint32_t> keys = KeysOf(initials);
  MatchKeys(matrix, keys, within, candidates);  // one key: its whole region, long names too
  if (keys.size() < 2) return;
  for (uint32_t id : LongCandidates(matrix, keys)) {
    if (id != 0 && id <= candidates->bitCount()) candidates->SetIds(&id, 1);
  }
}

// The codes that spell `piece` alone and that the name index holds; with `no_bridge`, only those
// whose second byte is 0x80 or more, which no bridge key (index/name_keys.h) can stand for.
std::vector<uint16_t> IndexedCharacters(IndexReader* names, const std::string& piece,
                                        bool no_bridge) {
  std::vector<uint16_t> codes;
  for (uint16_t code : CharactersSpelling(piece)) {
    if (no_bridge && (code & 0xFF) < 0x80) continue;
    if (names->Lookup(code, names::kSummaryPosition).value != 0) codes.push_back(code);
  }
  return codes;
}

// Marks the names that spell `first` and `second` with two neighbouring characters among their
// name keys: the codes of the two at consecutive key positions. A key of a double-byte
// character is that character, and the key before one is the character before it or a pair of
// an ASCII byte and its lead byte (below 0x8000), so the two keys are the two characters, one
// right after the other, when the second cannot be a bridge key. More pairs than kMostPairs are
// left to the candidates' check, as are the pairs whose second character could be a bridge key.
void MarkSyllablePairs(IndexReader* names, const std::string& first, const std::string& second,
                       const EntrySet* within, EntrySet* set) {
  const std::vector<uint16_t> firsts = IndexedCharacters(names, first, false);
  const std::vector<uint16_t> seconds = IndexedCharacters(names, second, true);
  if (firsts.size() * seconds.size() > kMostPairs) return;
  for (uint16_t a : firsts) {
    for (uint16_t b : seconds) MatchKeys(names, {a, b}, within, set);
  }
}

// Marks, for every cut of `word` into two longer pieces, the names MarkSyllablePairs finds.
void MarkCutsOfTwoSyllables(IndexReader* names, const std::vector<CutInitials>& lookups,
                            const EntrySet* within, EntrySet* set) {
  for (const CutInitials& cut : lookups) {
    if (cut.initials.size() != 2) continue;  // two pieces, both longer ones
    for (const std::string& pieces : cut.pieces) {
      const size_t space = pieces.find(' ');
      if (space == std::string::npos) continue;
      MarkSyllablePairs(names, pieces.substr(0, space), pieces.substr(space + 1), within, set);
    }
  }
}

}  // namespace

void NameOfRecord(const char* text, uint32_t length, const char** name, uint32_t* size) {
  *name = text;
  *size = 0;
  ForEachRecordField(text, length,
                     [&](const char* key, uint32_t key_length, const char* value, uint32_t bytes) {
                       if (key_length == 1 && key[0] == 'I') {
                         *name = value;
                         *size = bytes;
                       }
                     });
}

bool ReadRecordName(RecordStore* store, uint32_t id, const char** name, uint32_t* size) {
  const char* text = nullptr;
  uint32_t length = 0;
  if (!store->ReadText(id, &text, &length)) return false;
  NameOfRecord(text, length, name, size);
  return true;
}

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

void MarkSingleCharacters(IndexReader* names, const std::string& word, EntrySet* set) {
  // The key of a double-byte character is its code (index/name_keys.h).
  for (uint16_t code : CharactersSpelling(word)) {
    names->ReadPostings(code, set->bytes(), set->bitCount());
  }
}

void MarkRunsByInitials(LoadedIndex* index, InitialsReader* initials, const std::string& word,
                        const EntrySet* within, EntrySet* set) {
  bool whole = false;
  const std::vector<CutInitials> lookups = LookupsOf(word, &whole);
  if (lookups.empty()) return;
  // Runs of two whole characters found exactly need no check of their names.
  if (whole) MarkCutsOfTwoSyllables(index->reader(), lookups, within, set);
  std::unique_ptr<EntrySet> candidates = EntrySet::Create(set->bitCount(), 0x00);
  std::unique_ptr<EntrySet> found = EntrySet::Create(set->bitCount(), 0x00);
  if (!candidates || !found) return;
  PieceFilter filter(index, set->bitCount());
  std::vector<uint32_t> ids;
  for (const CutInitials& cut : lookups) {
    MarkInitialsCandidates(initials->matrix(), cut.initials, within, found.get());
    ids.clear();
    found->ClearIdsWhere([&](uint32_t id) {
      if (!set->Contains(id) && (within == nullptr || within->Contains(id))) ids.push_back(id);
      return true;
    });
    const bool few = ids.size() <= kUnfilteredCandidates;
    for (uint32_t id : ids) {
      if (few || filter.Passes(cut, id)) candidates->SetIds(&id, 1);
    }
  }
  PinyinWord spelled(word);
  RecordStore* store = index->store();
  candidates->ForEachId([&](uint32_t id) {
    const char* name = nullptr;
    uint32_t size = 0;
    if (ReadRecordName(store, id, &name, &size) && spelled.FoundIn(name, size)) set->SetIds(&id, 1);
  });
}

}  // namespace sorvik
