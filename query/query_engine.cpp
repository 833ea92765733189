#include "query/query_engine.h"

#include <algorithm>

#include "index/index_reader.h"
#include "index/name_index_format.h"
#include "index/name_keys.h"
#include "platform/fs.h"
#include "query/folder_tree.h"
#include "query/loaded_index.h"
#include "query/removal_list.h"
#include "query/search_result.h"

namespace sorvik {
namespace {

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

// Keeps in `into` the ids that also occur in the ascending list `other`.
void IntersectInPlace(std::vector<uint32_t>* into, const uint32_t* other, uint32_t count) {
  size_t kept = 0;
  uint32_t j = 0;
  for (size_t i = 0; i < into->size() && j < count; ++i) {
    uint32_t id = (*into)[i];
    while (j < count && other[j] < id) ++j;
    if (j < count && other[j] == id) (*into)[kept++] = id;
  }
  into->resize(kept);
}

// The ids where the word starts at position `start`, marked into `set`.
void MatchAtStart(const std::vector<PostingRange>& ranges, uint32_t start, EntrySet* set,
                  std::vector<uint32_t>* scratch) {
  struct List {
    const uint32_t* ids;
    uint32_t count;
  };
  std::vector<List> lists(ranges.size());
  for (size_t i = 0; i < ranges.size(); ++i) {
    lists[i].ids = ranges[i].List(start + static_cast<uint32_t>(i), &lists[i].count);
    if (lists[i].count == 0) return;
  }
  std::sort(lists.begin(), lists.end(),
            [](const List& a, const List& b) { return a.count < b.count; });
  scratch->assign(lists[0].ids, lists[0].ids + lists[0].count);
  for (size_t i = 1; i < lists.size() && !scratch->empty(); ++i) {
    IntersectInPlace(scratch, lists[i].ids, lists[i].count);
  }
  if (!scratch->empty()) set->SetIds(scratch->data(), static_cast<uint32_t>(scratch->size()));
}

bool LocationGiven(const SearchRequest& request) { return request.location.size() >= 2; }

// The keyword part of a request: every entry, or the union of the alternatives.
std::unique_ptr<EntrySet> MatchKeywords(LoadedIndex* index, const std::string& keywords) {
  const uint32_t n = index->EntryCount();
  ParsedKeywords parsed = ParseKeywords(keywords);
  if (parsed.selectsAll) return EntrySet::Create(n, 0xFF);
  std::unique_ptr<EntrySet> result;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    std::unique_ptr<EntrySet> run = EntrySet::Create(n, 0x00);
    if (!run) return nullptr;
    MatchRun(index->reader(), words, run.get());
    if (result) {
      result->Or(*run);
    } else {
      result = std::move(run);
    }
  }
  return result ? std::move(result) : EntrySet::Create(n, 0x00);
}

void ApplyMonthRange(LoadedIndex* index, uint16_t from, uint16_t to, EntrySet* set) {
  set->ClearIdsWhere([&](uint32_t id) {
    uint16_t code = index->MonthCode(id);
    return !(from <= code && code < to);
  });
}

}  // namespace

void MatchWord(IndexReader* reader, const std::string& word, EntrySet* set) {
  uint32_t limit = static_cast<uint32_t>(std::min<size_t>(word.size(), kMaxPosition));
  std::vector<uint32_t> keys = TokenizeName(word, limit);
  if (keys.empty()) return;
  if (keys.size() == 1) {
    reader->ReadPostings(keys[0], set->bytes(), set->bitCount());
    return;
  }
  std::vector<uint32_t> starts = CandidateStarts(reader, keys);
  if (starts.empty()) return;
  // One read per key covers the lists of every candidate start.
  std::vector<PostingRange> ranges(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    uint32_t first = starts.front() + static_cast<uint32_t>(i);
    uint32_t last = starts.back() + static_cast<uint32_t>(i);
    if (!reader->ReadRange(keys[i], first, last, &ranges[i])) return;
  }
  std::vector<uint32_t> scratch;
  for (uint32_t start : starts) MatchAtStart(ranges, start, set, &scratch);
}

void MatchRun(IndexReader* reader, const std::vector<std::string>& words, EntrySet* set) {
  if (words.empty()) return;
  MatchWord(reader, words[0], set);
  for (size_t i = 1; i < words.size(); ++i) {
    if (set->Count() == 0) return;  // an empty intersection stays empty
    std::unique_ptr<EntrySet> word_set = EntrySet::Create(set->bitCount(), 0x00);
    if (!word_set) return;
    MatchWord(reader, words[i], word_set.get());
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
  std::unique_ptr<EntrySet> set = MatchKeywords(index, request.keywords);
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
  ApplyRemovals(index->PathOf(kRemovalFileName), set.get());
  return set;
}

SearchResult* RunQuery(LoadedIndex* index, DetailsSource* source, const SearchRequest& request,
                       int page, int pageSize, uint32_t* total) {
  SearchResult* result = new SearchResult(source);
  *total = 0;
  std::unique_ptr<EntrySet> set = BuildSet(index, request);
  if (set) {
    EntrySetCursor cursor(*set);
    *total = cursor.Count();
    if (pageSize == -1) {
      cursor.CollectRanks(1, *total, &result->ids);
    } else if (pageSize > 0 && page >= 1) {
      uint64_t first = static_cast<uint64_t>(pageSize) * (page - 1) + 1;
      if (first <= *total) {
        cursor.CollectRanks(static_cast<uint32_t>(first), static_cast<uint32_t>(pageSize),
                            &result->ids);
      }
    }
  }
  result->LoadDetails(kPreloadedDetails);
  return result;
}

}  // namespace sorvik
