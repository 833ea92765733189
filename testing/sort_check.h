// Test support: the pages of a search sorted as a whole, checked against a stable sort of the
// unsorted answer by the result list's comparison (names and folders with ASCII letters folded,
// times and sizes as numbers; ties keep the answer's order in both directions). Tests only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "lifecycle/index_manager.h"
#include "query/search_result.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace testing {

inline int CompareForSort(int32_t key, const EntryDetails& a, const EntryDetails& b) {
  if (key == kSortName) return CompareAsciiNoCase(a.name, b.name);
  if (key == kSortFolder) return CompareAsciiNoCase(a.folderPath, b.folderPath);
  const uint64_t x = key == kSortModified ? a.modifiedTime : a.size;
  const uint64_t y = key == kSortModified ? b.modifiedTime : b.size;
  return x < y ? -1 : (x > y ? 1 : 0);
}

// The ids of the whole answer to `request`, sorted by brute force.
inline std::vector<uint32_t> BruteForceSorted(IndexManager* manager, SearchRequest request,
                                              int32_t key, bool ascending) {
  request.sortKey = 0;
  uint32_t total = 0;
  SearchResult* all = manager->Search(request, 1, -1, &total);
  if (all == nullptr) return {};
  std::vector<std::pair<uint32_t, EntryDetails>> rows;
  for (uint32_t id : all->ids) {
    rows.emplace_back(id, EntryDetails());
    EXPECT_TRUE(all->GetDetails(id, &rows.back().second));
  }
  all->Release();
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    const int compared = CompareForSort(key, a.second, b.second);
    return ascending ? compared < 0 : compared > 0;
  });
  std::vector<uint32_t> ids;
  for (const auto& row : rows) ids.push_back(row.first);
  return ids;
}

inline std::vector<uint32_t> SortedPage(IndexManager* manager, SearchRequest request, int32_t key,
                                        bool ascending, int page, int page_size, uint32_t* total) {
  request.sortKey = key;
  request.sortAscending = ascending;
  SearchResult* result = manager->Search(request, page, page_size, total);
  if (result == nullptr) return {0xFFFFFFFFu};
  EXPECT_EQ(result->sortKey(), key);
  std::vector<uint32_t> ids = result->ids;
  result->Release();
  return ids;
}

// Every key in both directions: the whole answer, its first pages of `page_size` and the page
// that holds its last entry, each against the brute-force order.
inline void ExpectSortedPagesMatch(IndexManager* manager, const SearchRequest& request,
                                   const std::string& what, int page_size = 7) {
  for (int32_t key = kSortName; key <= kSortSize; ++key) {
    for (bool ascending : {true, false}) {
      const std::string where =
          what + ", key " + std::to_string(key) + (ascending ? " ascending" : " descending");
      const std::vector<uint32_t> expected = BruteForceSorted(manager, request, key, ascending);
      uint32_t total = 0;
      EXPECT_EQ(SortedPage(manager, request, key, ascending, 1, -1, &total), expected) << where;
      EXPECT_EQ(total, expected.size()) << where;
      const int last = static_cast<int>((expected.size() + page_size - 1) / page_size);
      for (int page : {1, 2, 3, last, last + 1}) {
        if (page < 1) continue;
        const size_t from = std::min(expected.size(), size_t(page - 1) * page_size);
        const size_t to = std::min(expected.size(), from + page_size);
        const std::vector<uint32_t> slice(expected.begin() + from, expected.begin() + to);
        EXPECT_EQ(SortedPage(manager, request, key, ascending, page, page_size, &total), slice)
            << where << ", page " << page;
        EXPECT_EQ(total, expected.size()) << where;
      }
    }
  }
}

}  // namespace testing
}  // namespace sorvik
