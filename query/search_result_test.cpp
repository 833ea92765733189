#include "query/search_result.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace sorvik {
namespace {

// Details from a table; counts every read and keeps every removal. `generation` stands for the
// index loaded now (a swap moves it on), `loaded` false for no index at all.
class FakeSource : public DetailsSource {
 public:
  uint32_t Generation() override { return loaded ? generation : kNoGeneration; }
  bool ReadDetails(uint32_t asked, uint32_t id, EntryDetails* out) override {
    if (asked != Generation() || asked == kNoGeneration) return false;
    reads += 1;
    auto found = entries.find(id);
    *out = found == entries.end() ? EntryDetails() : found->second;
    return true;
  }
  bool RecordRemoval(uint32_t asked, uint32_t id, const std::string& fullPath) override {
    if (asked != Generation() || asked == kNoGeneration) return false;
    removals.emplace_back(id, fullPath);
    return true;
  }

  bool loaded = true;
  uint32_t generation = 1;
  int reads = 0;
  std::map<uint32_t, EntryDetails> entries;
  std::vector<std::pair<uint32_t, std::string>> removals;
};

EntryDetails Entry(const char* name, const char* folder, uint64_t time, uint64_t size) {
  EntryDetails entry;
  entry.name = name;
  entry.folderPath = folder;
  entry.modifiedTime = time;
  entry.size = size;
  return entry;
}

// Holds one reference and releases it at the end of the scope.
struct Held {
  explicit Held(SearchResult* result) : result(result) {}
  ~Held() { result->Release(); }
  SearchResult* operator->() { return result; }
  SearchResult* result;
};

std::vector<uint32_t> Reversed(std::vector<uint32_t> ids) { return {ids.rbegin(), ids.rend()}; }

TEST(SearchResult, SortsByEveryKeyInBothDirections) {
  FakeSource source;
  source.entries[1] = Entry("banana", "D:\\x", 3, 20);
  source.entries[2] = Entry("Apple", "c:\\z", 1, kFolderSize);
  source.entries[3] = Entry("Cherry", "C:\\Y", 2, 5);
  source.entries[4] = Entry("apricot", "d:\\W", 4, 0x100000000ull);
  // Case-insensitive orders; a case-sensitive compare would put "Cherry" and "C:\Y" earlier.
  const std::map<int32_t, std::vector<uint32_t>> ascending = {{kSortName, {2, 4, 1, 3}},
                                                              {kSortFolder, {3, 2, 4, 1}},
                                                              {kSortModified, {2, 3, 1, 4}},
                                                              {kSortSize, {3, 1, 4, 2}}};
  Held result(new SearchResult(&source));
  result->ids = {1, 2, 3, 4};
  for (const auto& [key, order] : ascending) {
    result->Sort(key, true);
    EXPECT_EQ(result->ids, order) << "key " << key;
    result->Sort(key, false);
    EXPECT_EQ(result->ids, Reversed(order)) << "key " << key;
    EXPECT_EQ(result->sortKey(), key);
    EXPECT_FALSE(result->ascending());
  }
  // Descending size puts the folder (all bits set) first.
  result->Sort(kSortSize, false);
  EXPECT_EQ(result->ids.front(), 2u);
}

TEST(SearchResult, DetailsCacheAndLoading) {
  FakeSource source;
  {  // A page's first 100 details are read once each and cached.
    Held result(new SearchResult(&source));
    for (uint32_t id = 1; id <= kPageSize; ++id) result->ids.push_back(id);
    result->LoadDetails(kPreloadedDetails);
    EXPECT_EQ(source.reads, 100);
    EXPECT_EQ(result->details().size(), 100u);
  }
  {  // GetDetails stops caching at 5000; LoadDetails still caches; sorting reads each id once.
    Held result(new SearchResult(&source));
    EntryDetails entry;
    for (uint32_t id = 1; id <= 6000; ++id) ASSERT_TRUE(result->GetDetails(id, &entry));
    EXPECT_EQ(result->details().size(), kDetailsCacheLimit);
    source.reads = 0;
    result->ids = {9001, 9002, 9003, 9004, 9005, 9006, 9007, 9008};
    result->Sort(kSortName, true);
    EXPECT_EQ(source.reads, 8);
    EXPECT_EQ(result->details().size(), kDetailsCacheLimit);
    result->LoadDetails(kPreloadedDetails);
    EXPECT_EQ(result->details().size(), kDetailsCacheLimit + 8);
  }
  {  // Without a loaded index nothing is read or cached, and cached entries no longer answer:
     // the page's index is gone.
    Held result(new SearchResult(&source));
    EntryDetails entry;
    ASSERT_TRUE(result->GetDetails(7, &entry));
    source.loaded = false;
    EXPECT_FALSE(result->IsCurrent());
    EXPECT_FALSE(result->GetDetails(7, &entry));
    EXPECT_FALSE(result->GetDetails(8, &entry));
    result->ids = {8, 9};
    result->LoadDetails(kPreloadedDetails);
    EXPECT_EQ(result->details().size(), 1u);
    Held orphan(new SearchResult(nullptr));
    EXPECT_FALSE(orphan->GetDetails(7, &entry));
    source.loaded = true;
  }
}

TEST(SearchResult, APageOfAnOlderIndexGivesNothing) {
  FakeSource source;
  source.entries[1] = Entry("old.txt", "C:", 1, 1);
  source.entries[2] = Entry("other.txt", "C:", 1, 1);
  Held result(new SearchResult(&source));
  result->ids = {1, 2};
  result->LoadDetails(1);  // id 1 cached, id 2 not
  Held copy(result->Clone());
  EXPECT_TRUE(result->IsCurrent());
  source.generation = 2;  // a new index is swapped in: ids 1 and 2 name other entries now
  source.entries[2] = Entry("renumbered.txt", "D:", 1, 1);
  const int reads = source.reads;
  for (SearchResult* page : {result.result, copy.result}) {
    EXPECT_FALSE(page->IsCurrent());
    EntryDetails entry = Entry("x", "y", 1, 1);
    std::string path = "unchanged";
    {  // neither the cached entry nor a fresh read answers, and no path comes out
      EXPECT_FALSE(page->GetDetails(1, &entry));
      EXPECT_TRUE(entry.name.empty());
      EXPECT_FALSE(page->GetDetails(2, &entry));
      EXPECT_FALSE(page->GetFullPath(2, &path));
      EXPECT_EQ(path, "unchanged");
    }
    {  // a removal is neither recorded nor taken off the page
      EXPECT_FALSE(page->RemoveAt(1, "C:\\other.txt"));
      EXPECT_EQ(page->ids.size(), 2u);
    }
  }
  EXPECT_EQ(source.reads, reads);
  EXPECT_TRUE(source.removals.empty());
  // A page cut from the new index reads it.
  Held fresh(new SearchResult(&source));
  EntryDetails entry;
  ASSERT_TRUE(fresh->GetDetails(2, &entry));
  EXPECT_EQ(entry.name, "renumbered.txt");
}

TEST(SearchResult, RemovalCloneAndPaths) {
  FakeSource source;
  source.entries[3] = Entry("boot.ini", "C:", 5, 16);
  Held result(new SearchResult(&source));
  result->ids = {1, 2, 3, 4, 5};
  {  // RemoveAt records the removal and moves later ids down by one.
    EXPECT_TRUE(result->RemoveAt(3, "C:\\x"));
    EXPECT_EQ(result->ids, (std::vector<uint32_t>{1, 2, 3, 5}));
    ASSERT_EQ(source.removals.size(), 1u);
    EXPECT_EQ(source.removals[0], std::make_pair(4u, std::string("C:\\x")));
    EXPECT_FALSE(result->RemoveAt(4, "C:\\y"));
    EXPECT_EQ(source.removals.size(), 1u);
  }
  {  // A file in a drive root has the full path C:\name.
    std::string path;
    ASSERT_TRUE(result->GetFullPath(3, &path));
    EXPECT_EQ(path, "C:\\boot.ini");
  }
  {  // A clone carries sort, ids and cache, and lives on after the original's references.
    result->Sort(kSortSize, false);
    result->AddRef();
    EXPECT_EQ(result->refCount(), 2);
    result->Release();
    Held copy(result->Clone());
    EXPECT_EQ(copy->refCount(), 1);
    EXPECT_EQ(copy->ids, result->ids);
    EXPECT_EQ(copy->sortKey(), kSortSize);
    EXPECT_FALSE(copy->ascending());
    EXPECT_EQ(copy->details().size(), result->details().size());
    copy->RemoveAt(0, "C:\\z");
    EXPECT_EQ(result->ids.size(), 4u);
  }
}

}  // namespace
}  // namespace sorvik
