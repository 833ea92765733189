#include "query/search_result.h"

#include <algorithm>
#include <numeric>

#include "query/sort_orders.h"

namespace sorvik {

SearchResult::SearchResult(DetailsSource* source)
    : source_(source),
      generation_(source != nullptr ? source->Generation() : kNoGeneration),
      ref_count_(1) {
  ids.reserve(kPageSize);
}

bool SearchResult::IsCurrent() const {
  return source_ != nullptr && generation_ != kNoGeneration && source_->Generation() == generation_;
}

void SearchResult::Release() {
  if (ref_count_.fetch_sub(1) == 1) delete this;
}

bool SearchResult::GetDetails(uint32_t id, EntryDetails* out) {
  // A cached entry was read while its index was loaded, but a stale page gives nothing at all:
  // its rows are about to be replaced and no action may start from them.
  if (!IsCurrent()) {
    *out = EntryDetails();
    return false;
  }
  auto found = details_.find(id);
  if (found != details_.end()) {
    *out = found->second;
    return true;
  }
  // The source checks the generation again under its lock, so a swap between the test above
  // and this read cannot hand out another entry's details.
  if (!source_->ReadDetails(generation_, id, out)) {
    *out = EntryDetails();
    return false;
  }
  if (details_.size() < kDetailsCacheLimit) details_.emplace(id, *out);
  return true;
}

void SearchResult::LoadDetails(uint32_t limit, DetailsSource* reader) {
  if (reader == nullptr) reader = source_;
  const size_t end = std::min(ids.size(), static_cast<size_t>(limit));
  for (size_t i = 0; i < end; ++i) {
    if (details_.count(ids[i]) != 0) continue;
    EntryDetails entry;
    if (reader == nullptr || !reader->ReadDetails(generation_, ids[i], &entry)) return;
    details_.emplace(ids[i], std::move(entry));
  }
}

void SearchResult::Sort(int32_t key, bool ascending) {
  sort_key_ = key;
  ascending_ = ascending;
  if (key < kSortName || key > kSortSize || ids.size() < 2) return;
  // Each entry is fetched once here, so the comparison never goes back to the index.
  std::vector<EntryDetails> entries(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) GetDetails(ids[i], &entries[i]);
  std::vector<uint32_t> order(ids.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    const int compared = CompareByKey(key, entries[x], entries[y]);
    return ascending ? compared < 0 : compared > 0;
  });
  const std::vector<uint32_t> before = ids;
  for (size_t i = 0; i < order.size(); ++i) ids[i] = before[order[i]];
}

bool SearchResult::RemoveAt(size_t index, const std::string& fullPath) {
  if (index >= ids.size() || !IsCurrent()) return false;
  if (!source_->RecordRemoval(generation_, ids[index], fullPath)) return false;
  ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

SearchResult* SearchResult::Clone() const {
  SearchResult* copy = new SearchResult(source_);
  copy->generation_ = generation_;
  copy->sort_key_ = sort_key_;
  copy->ascending_ = ascending_;
  copy->ids = ids;
  copy->details_ = details_;
  return copy;
}

bool SearchResult::GetFullPath(uint32_t id, std::string* out) {
  EntryDetails entry;
  if (!GetDetails(id, &entry)) return false;
  *out = entry.FullPath();
  return true;
}

}  // namespace sorvik
