#include "query/query_engine.h"

#include <algorithm>
#include <cstring>

#include "index/index_reader.h"
#include "index/name_index_format.h"
#include "index/name_keys.h"
#include "platform/fs.h"
#include "query/folder_tree.h"
#include "query/live_layer.h"
#include "query/loaded_index.h"
#include "query/pinyin_match.h"
#include "query/removal_list.h"
#include "query/search_result.h"
#include "query/sorted_page.h"
#include "text/coding.h"

namespace sorvik {
namespace {

using names::kIdBytes;
using names::kMaxPosition;

// Last start position a word of n >= 2 keys may have: its keys occupy start .. start + n - 1 and
// only starts up to 127 - n are looked at.
uint32_t LastStart(uint32_t n) { return n >= kMaxPosition - 1 ? 0 : kMaxPosition - 1 - n; }

bool BitSet(const uint8_t* bits, uint32_t index) { return (bits[index / 8] >> (index % 8)) & 1; }

// Start positions s (1-based) where every key i can occur at position s + i.
std::vector<uint32_t> CandidateStarts(IndexReader* reader, const std::vector<uint32_t>& keys) {
  std::vector<uint32_t> starts;
  const uint32_t last = LastStart(static_cast<uint32_t>(keys.size()));
  std::vector<const uint8_t*> bits(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) bits[i] = reader->Bits(keys[i]);
  for (uint32_t s = 1; s <= last; ++s) {
    bool all = true;
    for (size_t i = 0; i < keys.size() && all; ++i) all = BitSet(bits[i], s - 1 + i);
    if (all) starts.push_back(s);
  }
  return starts;
}

constexpr uint32_t kGallopRatio = 16;  // a list this many times longer is galloped through

// The first of the ascending ids [at, end) that is not below `id`, found by doubling steps
// and then a binary search: a short list intersected with a long one skips most of it.
const uint32_t* Gallop(const uint32_t* at, const uint32_t* end, uint32_t id) {
  size_t step = 1;
  while (step < static_cast<size_t>(end - at) && at[step] < id) {
    at += step;
    step *= 2;
  }
  const uint32_t* high = step < static_cast<size_t>(end - at) ? at + step + 1 : end;
  return std::lower_bound(at, high, id);
}

// Keeps in `into` the ids that also occur in the ascending list `other`: a merge of the two
// when they are of like length, a gallop through `other` when `into` is much shorter.
void IntersectInPlace(std::vector<uint32_t>* into, const uint32_t* other, uint32_t count) {
  uint32_t* ids = into->data();
  const size_t size = into->size();
  size_t kept = 0;
  if (count / kGallopRatio > size) {
    const uint32_t* at = other;
    const uint32_t* end = other + count;
    for (size_t i = 0; i < size && at != end; ++i) {
      at = Gallop(at, end, ids[i]);
      if (at != end && *at == ids[i]) ids[kept++] = ids[i];
    }
  } else {
    // Pointers rather than indexes: few enough live values for the 32-bit program's registers.
    uint32_t* out = ids;
    const uint32_t* a = ids;
    const uint32_t* const a_end = ids + size;
    const uint32_t* b = other;
    const uint32_t* const b_end = other + count;
    while (a != a_end && b != b_end) {
      const uint32_t x = *a, y = *b;
      if (x == y) *out++ = x;
      a += x <= y;
      b += y <= x;
    }
    kept = static_cast<size_t>(out - ids);
  }
  into->resize(kept);
}

// The positional lists of one key of a word: its cells, and its lists of the candidate
// positions read in one piece when they are small; a larger key's lists are read one by one as
// the candidates need them, so that a list never needed is never read.
struct KeyLists {
  MatrixCell cells[names::kPositionSlots];  // by position, checked against index.dat
  PostingRange range;                       // the candidate positions, when read in one piece
  bool whole = false;                       // whether `range` holds them
};

constexpr uint64_t kOneReadBytes = 64 * 1024;  // a key's candidate lists read in one piece

void PrepareKey(IndexReader* reader, uint32_t key, uint32_t first, uint32_t last, KeyLists* lists) {
  reader->KeyCells(key, lists->cells);
  const MatrixCell& from = lists->cells[first];
  const MatrixCell& to = lists->cells[last];
  const uint64_t end = to.offset + uint64_t{kIdBytes} * to.value;
  if (from.value != 0 && to.value != 0 && end > from.offset && end - from.offset <= kOneReadBytes) {
    lists->whole = reader->ReadRange(key, first, last, &lists->range);
  }
}

// The ids of the list at `position` of a key: inside its range, or read into `buffer`.
const uint32_t* ListAt(IndexReader* reader, const KeyLists& lists, uint32_t position,
                       std::vector<uint32_t>* buffer, uint32_t* count) {
  if (lists.whole) return lists.range.List(position, count);
  *count = 0;
  if (!reader->ReadList(lists.cells[position], buffer)) return nullptr;
  *count = static_cast<uint32_t>(buffer->size());
  return buffer->data();
}

// The ids where the word starts at position `start`, marked into `set`: the lists are taken
// shortest first, and the first empty intersection ends the candidate.
void MatchAtStart(IndexReader* reader, const std::vector<KeyLists>& keys, uint32_t start,
                  const EntrySet* within, EntrySet* set, std::vector<uint32_t>* scratch,
                  std::vector<uint32_t>* buffer) {
  std::vector<std::pair<uint32_t, uint32_t>> order;  // (id count, key index)
  for (uint32_t i = 0; i < keys.size(); ++i) {
    const uint32_t count = keys[i].cells[start + i].value;
    if (count == 0) return;
    order.emplace_back(count, i);
  }
  std::sort(order.begin(), order.end());
  uint32_t count = 0;
  const uint32_t* ids =
      ListAt(reader, keys[order[0].second], start + order[0].second, buffer, &count);
  scratch->clear();
  for (uint32_t k = 0; k < count; ++k) {
    if (within == nullptr || within->Contains(ids[k])) scratch->push_back(ids[k]);
  }
  for (size_t k = 1; k < order.size() && !scratch->empty(); ++k) {
    const uint32_t i = order[k].second;
    ids = ListAt(reader, keys[i], start + i, buffer, &count);
    IntersectInPlace(scratch, ids, count);
  }
  if (!scratch->empty()) set->SetIds(scratch->data(), static_cast<uint32_t>(scratch->size()));
}

bool LocationGiven(const SearchRequest& request) { return request.location.size() >= 2; }

// The keyword part of a request: every entry, or the union of the alternatives.
// With `pinyin`, each word also matches by the initials of the names.
std::unique_ptr<EntrySet> MatchKeywords(LoadedIndex* index, const std::string& keywords,
                                        bool pinyin) {
  const uint32_t n = index->EntryCount();
  ParsedKeywords parsed = ParseKeywords(keywords);
  if (parsed.selectsAll) return EntrySet::Create(n, 0xFF);
  std::unique_ptr<EntrySet> result;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    std::unique_ptr<EntrySet> run = EntrySet::Create(n, 0x00);
    if (!run) return nullptr;
    if (pinyin) {
      MatchRunWithInitials(index, words, run.get());
    } else {
      MatchRun(index->reader(), words, run.get());
    }
    if (result) {
      result->Or(*run);
    } else {
      result = std::move(run);
    }
  }
  return result ? std::move(result) : EntrySet::Create(n, 0x00);
}

// The month codes of a loaded index and the range a search keeps.
struct MonthFilter {
  const uint8_t* codes;  // code of id k at 2 * (k - 1)
  uint32_t known;        // ids that have a code; the others read as 0
  uint16_t from, to;     // codes kept: from <= code < to

  bool Keeps(uint32_t index) const {  // index = id - 1
    const uint16_t code = index < known ? DecodeFixed16(codes + 2 * static_cast<size_t>(index)) : 0;
    return from <= code && code < to;
  }

  // The bits of `word` (ids first + 1 .. first + 64) whose entries keep their place. A word with
  // many ids compares all 64 codes in a straight loop; a sparse one looks at its ids only.
  uint64_t Kept(uint64_t word, uint32_t first) const {
    uint64_t kept = 0;
    if (PopCount64(word) >= kDenseWord && first + 64 <= known) {
      for (uint32_t bit = 0; bit < 64; ++bit) kept |= uint64_t{Keeps(first + bit)} << bit;
      return word & kept;
    }
    for (; word != 0; word &= word - 1) {
      const uint32_t bit = static_cast<uint32_t>(__builtin_ctzll(word));
      if (Keeps(first + bit)) kept |= uint64_t{1} << bit;
    }
    return kept;
  }

  static constexpr uint32_t kDenseWord = 8;  // set ids of a word that make it dense
};

// Clears every set entry whose month code c does not satisfy from <= c < to.
void ApplyMonthRange(LoadedIndex* index, uint16_t from, uint16_t to, EntrySet* set) {
  MonthFilter filter{nullptr, 0, from, to};
  filter.codes = index->MonthCodes(&filter.known);
  uint8_t* bytes = set->bytes();
  // On the little-endian targets, bit b of word w is id 64 * w + b + 1.
  for (uint32_t w = 0; w < set->wordCount(); ++w) {
    uint64_t word;
    std::memcpy(&word, bytes + 8 * static_cast<size_t>(w), 8);
    if (word == 0) continue;
    word = filter.Kept(word, 64 * w);
    std::memcpy(bytes + 8 * static_cast<size_t>(w), &word, 8);
  }
}

// Bytes of postings of the word's rarest key: the fewer, the sooner its matches are known.
uint64_t RarestKeyBytes(IndexReader* reader, const std::string& word) {
  uint32_t limit = static_cast<uint32_t>(std::min<size_t>(word.size(), kMaxPosition));
  uint64_t rarest = UINT64_MAX;
  for (uint32_t key : TokenizeName(word, limit)) {
    rarest = std::min<uint64_t>(rarest, reader->Lookup(key, names::kSummaryPosition).value);
  }
  return rarest;
}

void MatchKeysIn(IndexReader* reader, const std::vector<uint32_t>& keys, const EntrySet* within,
                 EntrySet* set) {
  if (keys.empty()) return;
  if (keys.size() == 1) {
    reader->ReadPostings(keys[0], set->bytes(), set->bitCount());
    return;
  }
  std::vector<uint32_t> starts = CandidateStarts(reader, keys);
  if (starts.empty()) return;
  std::vector<KeyLists> lists(keys.size());
  for (uint32_t i = 0; i < keys.size(); ++i) {
    PrepareKey(reader, keys[i], starts.front() + i, starts.back() + i, &lists[i]);
  }
  std::vector<uint32_t> scratch, buffer;
  for (uint32_t start : starts) {
    MatchAtStart(reader, lists, start, within, set, &scratch, &buffer);
  }
}

void MatchWordIn(IndexReader* reader, const std::string& word, const EntrySet* within,
                 EntrySet* set) {
  uint32_t limit = static_cast<uint32_t>(std::min<size_t>(word.size(), kMaxPosition));
  MatchKeysIn(reader, TokenizeName(word, limit), within, set);
}

}  // namespace

void MatchWord(IndexReader* reader, const std::string& word, EntrySet* set) {
  MatchWordIn(reader, word, nullptr, set);
}

void MatchKeys(IndexReader* reader, const std::vector<uint32_t>& keys, const EntrySet* within,
               EntrySet* set) {
  MatchKeysIn(reader, keys, within, set);
}

void MatchWordWithin(IndexReader* reader, const std::string& word, const EntrySet& within,
                     EntrySet* set) {
  MatchWordIn(reader, word, &within, set);
}

void MatchRun(IndexReader* reader, const std::vector<std::string>& words, EntrySet* set) {
  if (words.empty()) return;
  // Intersection does not depend on the order: the rarest word first keeps the set small.
  std::vector<std::pair<uint64_t, size_t>> order;
  for (size_t i = 0; i < words.size(); ++i) order.emplace_back(RarestKeyBytes(reader, words[i]), i);
  std::stable_sort(order.begin(), order.end());
  MatchWord(reader, words[order[0].second], set);
  for (size_t k = 1; k < order.size(); ++k) {
    if (set->Count() == 0) return;  // an empty intersection stays empty
    std::unique_ptr<EntrySet> word_set = EntrySet::Create(set->bitCount(), 0x00);
    if (!word_set) return;
    MatchWordWithin(reader, words[order[k].second], *set, word_set.get());
    set->And(*word_set);
  }
}

std::unique_ptr<EntrySet> BuildSet(LoadedIndex* index, const SearchRequest& request) {
  FolderRange folder;
  if (LocationGiven(request)) {
    if (!PathExists(request.location) ||
        !FindFolder(index->folders(), index->store(), request.location, &folder) ||
        folder.entriesBelow == 0) {
      return nullptr;
    }
  }
  std::unique_ptr<EntrySet> set = MatchKeywords(index, request.keywords, request.pinyin);
  if (!set) return nullptr;
  std::vector<uint8_t> bitmap;
  if (request.hiddenOnly != 0) {
    index->ReadCategory(kCategoryHidden, &bitmap);
    set->AndBytes(bitmap.data());
  }
  if (request.category >= 0 && request.category <= 5) {
    index->ReadCategory(request.category, &bitmap);
    set->AndBytes(bitmap.data());
  }
  if (LocationGiven(request)) {
    uint64_t last = static_cast<uint64_t>(folder.entryId) + folder.entriesBelow;
    set->KeepRange(folder.entryId + 1, last > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(last));
  }
  if (request.monthFrom != 0) ApplyMonthRange(index, request.monthFrom, request.monthTo, set.get());
  ApplyRemovals(index->RemovalList(), set.get());
  return set;
}

namespace {

// The ranks a page asks for: `first` (1-based) and how many (0xFFFFFFFF: all from `first`).
// pageSize -1 is every match; a page below 1 or a size of 0 (or below -1) asks for none.
void PageRanks(int page, int pageSize, uint32_t* first, uint32_t* count) {
  *first = 1;
  *count = pageSize == -1 ? 0xFFFFFFFFu : 0;
  if (pageSize > 0 && page >= 1) {
    const uint64_t start = static_cast<uint64_t>(pageSize) * (page - 1) + 1;
    *first = start > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(start);
    *count = static_cast<uint32_t>(pageSize);
  }
}

// The ranks first .. first + count - 1 of the whole answer sorted as the request asks.
uint32_t SortedPage(LoadedIndex* index, const SearchRequest& request,
                    const std::vector<uint32_t>& added, const EntrySet* set, uint32_t first,
                    uint32_t count, DetailsSource* reader, SearchResult* result) {
  const uint32_t generation = result->generation();
  const DetailsReader details = [&](uint32_t id, EntryDetails* out) {
    return reader != nullptr && reader->ReadDetails(generation, id, out);
  };
  const SortChoice choice{request.sortKey, request.sortAscending};
  result->SetSortedBy(request.sortKey, request.sortAscending);
  bool disordered = false;
  const uint32_t total = CollectSortedPage(set, added, index->sortOrders(), choice, details, first,
                                           count, &result->ids, &disordered);
  if (disordered) index->DropSortOrders();
  return total;
}

}  // namespace

SearchResult* RunQuery(LoadedIndex* index, DetailsSource* source, const SearchRequest& request,
                       int page, int pageSize, uint32_t* total, const LiveLayer* layer,
                       DetailsSource* preload) {
  *total = 0;
  index->TakeFailedRead();
  std::unique_ptr<EntrySet> set = BuildSet(index, request);
  // A posting list that could not be read whole (its file shrank since it was loaded, a read
  // error) or a key whose cells do not fit its bitmap or the posting file would count as no
  // match: the search fails instead (LoadedIndex::Damage says why for the second).
  if (index->TakeFailedRead()) return nullptr;
  SearchResult* result = new SearchResult(source);
  std::vector<uint32_t> added;
  if (layer != nullptr) {
    if (set) layer->ClearRemoved(set.get());
    // A folder made since the build is unknown to the index but may hold additions.
    if (!LocationGiven(request) || PathExists(request.location)) layer->Match(request, &added);
  }
  uint32_t first = 1, count = 0;
  PageRanks(page, pageSize, &first, &count);
  if (request.sortKey >= kSortName && request.sortKey <= kSortSize) {
    *total = SortedPage(index, request, added, set.get(), first, count,
                        preload != nullptr ? preload : source, result);
  } else {
    *total = CollectMergedPage(set.get(), added, first, count, &result->ids);
  }
  result->LoadDetails(kPreloadedDetails, preload);
  return result;
}

}  // namespace sorvik
