// SearchResult: one page of a search's answer as the window receives it: the entry ids, a cache
// of their details and the page's sort order. Reference counted; the window and the picture
// viewer each hold their own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "query/details_source.h"
#include "query/entry_details.h"

namespace sorvik {

// Sort keys of a result page.
enum SortKey : int32_t {
  kSortNone = 0,  // not sorted yet: ids in ascending order
  kSortName = 1,
  kSortFolder = 2,
  kSortModified = 3,
  kSortSize = 4,
};

constexpr uint32_t kPageSize = 800;          // ids of one page; reserved in every result
constexpr uint32_t kPreloadedDetails = 100;  // details read when a page is made
constexpr size_t kDetailsCacheLimit = 5000;  // GetDetails caches only below this size

class SearchResult {
 public:
  using DetailsCache = std::unordered_map<uint32_t, EntryDetails>;

  // A result with refCount 1 that reads details from `source` (null: as if no index were
  // loaded), bound to the generation `source` has loaded now. `source` must outlive the result.
  explicit SearchResult(DetailsSource* source);
  SearchResult(const SearchResult&) = delete;
  SearchResult& operator=(const SearchResult&) = delete;

  void AddRef() { ref_count_.fetch_add(1); }
  // Drops one reference; the last one destroys the result.
  void Release();

  // Whether the index this page was cut from is still the loaded one. Once it is not, the page
  // is stale: its ids name other entries (or none) in the loaded index, and GetDetails,
  // GetFullPath and RemoveAt fail, so nothing can act on a path found through them.
  bool IsCurrent() const;
  uint32_t generation() const { return generation_; }

  // Details of entry `id`, from the cache or else from the source; a freshly read entry is cached
  // only while the cache holds fewer than kDetailsCacheLimit entries. False (and `out` emptied)
  // when the page is stale or the source has no loaded index.
  bool GetDetails(uint32_t id, EntryDetails* out);
  // Reads and caches the details of the first min(ids.size(), limit) ids, whatever the cache size,
  // through `reader` when given (a reader of the same generation that works under a lock its
  // caller holds), else through the source.
  void LoadDetails(uint32_t limit, DetailsSource* reader = nullptr);
  // Stores the key and direction, then reorders the page: names and folders compared bytewise
  // with ASCII letters folded, times and sizes as unsigned numbers. Descending reverses the test,
  // so a descending size sort puts folders (all bits set) first. Ties keep their order. An unknown
  // key leaves the order alone.
  void Sort(int32_t key, bool ascending);
  // Records that the ids already stand in the order of `key` and `ascending` (a page cut from a
  // whole answer sorted so), without sorting them again.
  void SetSortedBy(int32_t key, bool ascending) {
    sort_key_ = key;
    ascending_ = ascending;
  }
  // Records the removal of the entry at `index` (shown as `fullPath`) with the source, then
  // erases it from the page; the cache keeps its details. False, with nothing recorded or
  // erased, when `index` is out of range or the page is stale.
  bool RemoveAt(size_t index, const std::string& fullPath);
  // A new result (refCount 1) with the same sort, ids, source, generation and a copy of the
  // cache; it is stale when this one is.
  SearchResult* Clone() const;
  // The full path of entry `id` (folder + "\" + name). False when GetDetails fails.
  bool GetFullPath(uint32_t id, std::string* out);

  int32_t sortKey() const { return sort_key_; }
  bool ascending() const { return ascending_; }
  int32_t refCount() const { return ref_count_.load(); }
  const DetailsCache& details() const { return details_; }

  std::vector<uint32_t> ids;  // the page's entry ids, ascending until sorted

 private:
  ~SearchResult() = default;  // only Release destroys a result

  DetailsSource* source_;           // reads details and records removals; may be null
  uint32_t generation_;             // the source's generation the ids belong to
  int32_t sort_key_ = kSortNone;    // last key given to Sort
  bool ascending_ = true;           // last direction given to Sort
  std::atomic<int32_t> ref_count_;  // references held
  DetailsCache details_;            // entry id -> details
};

}  // namespace sorvik
