// The stored sort orders: what the build writes for a record store of awkward names, folders,
// times and sizes; pages walked through them against pages sorted from every match's details
// (with additions placed among them); and files that must not be used.
#include "query/sort_orders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "index/record_store.h"
#include "query/entry_details.h"
#include "query/entry_set.h"
#include "query/search_result.h"
#include "query/sorted_page.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Records of two roots and a few folders: names that differ only in case, names whose second
// byte is an ASCII capital (never folded), equal times and sizes, folders (all size bits set).
class SortOrdersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store_.Open(folder_.Join("db.txt")));
    Add("Docs", "5", "C:", "-1");         // 1, folder C:\Docs
    Add("b.txt", "3", "1", "10");         // 2
    Add("B.txt", "3", "1", "a");          // 3: the same name as 2, folded
    Add("\x81\x61.txt", "7", "1", "10");  // 4: second byte 'a'
    Add("\x81\x41.txt", "1", "1", "0");   // 5: second byte 'A', before 4
    Add("inner", "5", "C:\\Docs", "-1");  // 6, folder C:\Docs\inner
    Add("a.txt", "9", "6", "ff");         // 7, in C:\Docs\inner
    Add("zz", "2", "D:", "5");            // 8, in a root
    Add("c.TXT", "3", "C:", "10");        // 9, in C:
    Add("damaged", "x", "999", "zz");     // 10: a parent that is not there
    for (uint32_t id = 1; id <= store_.Count(); ++id) {
      EntryDetails entry;
      LoadEntryDetails(&store_, id, &entry);
      details_[id] = entry;
    }
  }

  void Add(const std::string& name, const std::string& time, const std::string& where,
           const std::string& size) {
    ASSERT_NE(store_.Append("I:" + name + "\nM:" + time + "\nD:" + where + "\nS:" + size + "\n"),
              0u);
  }

  DetailsReader Reader() {
    return [this](uint32_t id, EntryDetails* out) {
      *out = details_[id];
      return true;
    };
  }

  // The answer `set` + `added` sorted by brute force.
  std::vector<uint32_t> Expected(const EntrySet& set, const std::vector<uint32_t>& added,
                                 SortChoice choice) {
    std::vector<uint32_t> ids;
    set.ForEachId([&](uint32_t id) { ids.push_back(id); });
    ids.insert(ids.end(), added.begin(), added.end());
    std::stable_sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) {
      const int compared = CompareByKey(choice.key, details_[a], details_[b]);
      return choice.ascending ? compared < 0 : compared > 0;
    });
    return ids;
  }

  testing::TempFolder folder_;
  RecordStore store_;
  std::map<uint32_t, EntryDetails> details_;
};

TEST_F(SortOrdersTest, TheWrittenOrdersAreThoseOfTheResultList) {
  const std::string path = folder_.Join(kSortOrderFile);
  ASSERT_TRUE(WriteSortOrders(&store_, path).ok());
  SortOrders orders;
  ASSERT_TRUE(orders.Open(path, store_.Count()));
  auto order = [&](int32_t key) {
    std::vector<uint32_t> ids;
    for (uint32_t p = 0; p < orders.Count(); ++p) ids.push_back(orders.IdAt(key, p));
    return ids;
  };
  EXPECT_EQ(order(kSortName), (std::vector<uint32_t>{7, 2, 3, 9, 10, 1, 6, 8, 5, 4}));
  EXPECT_FALSE(orders.SameAsBefore(kSortName, 1));
  EXPECT_TRUE(orders.SameAsBefore(kSortName, 2));   // "b.txt", "B.txt"
  EXPECT_FALSE(orders.SameAsBefore(kSortName, 9));  // the second bytes differ
  // Folders: "" (the lost parent), "C:" (1, 9), "C:\Docs" (2..6), "C:\Docs\inner", "D:".
  EXPECT_EQ(order(kSortFolder), (std::vector<uint32_t>{10, 1, 9, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(order(kSortModified), (std::vector<uint32_t>{10, 5, 8, 2, 3, 9, 1, 6, 4, 7}));
  EXPECT_EQ(order(kSortSize), (std::vector<uint32_t>{5, 10, 8, 3, 2, 4, 9, 7, 1, 6}));
  for (int32_t key = kSortName; key <= kSortSize; ++key) {
    for (uint32_t p = 1; p < orders.Count(); ++p) {
      const int compared =
          CompareByKey(key, details_[orders.IdAt(key, p - 1)], details_[orders.IdAt(key, p)]);
      EXPECT_LE(compared, 0) << key << " " << p;
      EXPECT_EQ(orders.SameAsBefore(key, p), compared == 0) << key << " " << p;
    }
  }
}

// Names that share their first sixteen bytes, which the build orders by reading them again:
// equal once folded, one a prefix of another, exactly sixteen bytes, double-byte past them.
TEST_F(SortOrdersTest, NamesSharingTheirFirstBytesAreReadAgain) {
  Add("quarterly-report-2019-b.doc", "4", "1", "1");        // 11
  Add("Quarterly-Report-2019-a.doc", "4", "1", "2");        // 12
  Add("QUARTERLY-REPORT-2019-B.DOC", "4", "1", "1");        // 13: the same name as 11, folded
  Add("quarterly-report-2019", "4", "1", "3");              // 14
  Add("abcdefghijklmnop", "4", "D:", "3");                  // 15
  Add("abcdefghijklmnop1", "4", "D:", "3");                 // 16
  Add("ABCDEFGHIJKLMNOP", "4", "D:", "3");                  // 17: the same name as 15, folded
  Add("quarterly-report-\x81\x41\x81\x61", "4", "1", "3");  // 18
  for (uint32_t id = 11; id <= store_.Count(); ++id) LoadEntryDetails(&store_, id, &details_[id]);
  const std::string path = folder_.Join(kSortOrderFile);
  ASSERT_TRUE(WriteSortOrders(&store_, path).ok());
  SortOrders orders;
  ASSERT_TRUE(orders.Open(path, store_.Count()));
  std::vector<uint32_t> order;
  for (uint32_t p = 0; p < orders.Count(); ++p) {
    order.push_back(orders.IdAt(kSortName, p));
    if (p == 0) continue;
    const int compared = CompareByKey(kSortName, details_[order[p - 1]], details_[order[p]]);
    EXPECT_TRUE(compared < 0 || (compared == 0 && order[p - 1] < order[p])) << p;
    EXPECT_EQ(orders.SameAsBefore(kSortName, p), compared == 0) << p;
  }
  const auto at = [&](uint32_t id) {
    return std::find(order.begin(), order.end(), id) - order.begin();
  };
  EXPECT_EQ(at(17), at(15) + 1);  // equal folded, by id
  EXPECT_EQ(at(16), at(17) + 1);
  EXPECT_LT(at(14), at(12));  // a prefix first
  EXPECT_EQ(at(11), at(12) + 1);
  EXPECT_EQ(at(13), at(11) + 1);
  EXPECT_LT(at(13), at(18));  // 0x81 after every ASCII byte
}

TEST_F(SortOrdersTest, PagesThroughTheOrdersEqualASortOfEveryMatch) {
  const std::string path = folder_.Join(kSortOrderFile);
  ASSERT_TRUE(WriteSortOrders(&store_, path).ok());
  SortOrders orders;
  ASSERT_TRUE(orders.Open(path, store_.Count()));
  // Additions after the index's ids: one equal to entries of every key, one before all, one after.
  details_[11] = details_[3];
  details_[12] = EntryDetails{0, 0, "", ""};
  details_[13] = EntryDetails{~0ull, ~0ull - 1, "\xFE\xFE", "Z:"};
  const std::vector<uint32_t> added = {11, 12, 13};
  std::unique_ptr<EntrySet> set = EntrySet::Create(store_.Count(), 0);
  const uint32_t kept[] = {1, 2, 3, 5, 7, 8, 10};
  set->SetIds(kept, 7);
  for (int32_t key = kSortName; key <= kSortSize; ++key) {
    for (bool ascending : {true, false}) {
      const SortChoice choice{key, ascending};
      const std::vector<uint32_t> expected = Expected(*set, added, choice);
      const SortOrders* sources[] = {&orders, nullptr};
      for (const SortOrders* source : sources) {
        for (uint32_t size : {1u, 3u, 0xFFFFFFFFu}) {
          std::vector<uint32_t> all;
          for (uint32_t first = 1; first <= expected.size(); first += std::min(size, 100u)) {
            std::vector<uint32_t> page;
            bool disordered = false;  // a good file with additions among its ties is kept
            EXPECT_EQ(CollectSortedPage(set.get(), added, source, choice, Reader(), first, size,
                                        &page, &disordered),
                      expected.size());
            EXPECT_FALSE(disordered);
            all.insert(all.end(), page.begin(), page.end());
          }
          EXPECT_EQ(all, expected)
              << key << (ascending ? " up " : " down ") << size << (source ? " stored" : " read");
        }
      }
    }
  }
}

TEST_F(SortOrdersTest, AFileThatDoesNotFitIsNotUsed) {
  const std::string path = folder_.Join(kSortOrderFile);
  ASSERT_TRUE(WriteSortOrders(&store_, path).ok());
  const std::vector<uint8_t> good = testing::ReadBytes(path);
  SortOrders orders;
  EXPECT_FALSE(orders.Open(path, store_.Count() + 1));  // another index's
  EXPECT_FALSE(orders.Open(folder_.Join("missing.ord"), store_.Count()));
  auto damaged = [&](size_t offset, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[offset] = value;
    testing::WriteBytes(path, bytes);
    return !orders.Open(path, store_.Count());
  };
  EXPECT_TRUE(damaged(0, 2));                          // version
  EXPECT_TRUE(damaged(8 + 4 * 12, 0));                 // an id 0 in the folder order
  EXPECT_TRUE(damaged(8 + 4 * 35, 11));                // an id past N in the size order
  EXPECT_TRUE(damaged(8 + 4 * 21, good[8 + 4 * 20]));  // an id given twice
  std::vector<uint8_t> cut(good.begin(), good.end() - 1);
  testing::WriteBytes(path, cut);
  EXPECT_FALSE(orders.Open(path, store_.Count()));
  testing::WriteBytes(path, good);
  EXPECT_TRUE(orders.Open(path, store_.Count()));
}

// Damage that keeps every id once opens as a good file would: the pages cut from it are checked
// against the details, and a page found out of order is cut again from every match's details.
TEST_F(SortOrdersTest, OrdersDamagedIntoAnotherPermutationGiveRightPages) {
  const std::string path = folder_.Join(kSortOrderFile);
  ASSERT_TRUE(WriteSortOrders(&store_, path).ok());
  const std::vector<uint8_t> good = testing::ReadBytes(path);
  const uint32_t n = store_.Count();
  const size_t ties = 8 + 16 * size_t{n};
  const size_t bitmap = (n + 7) / 8;
  struct Damage {
    const char* what;
    int32_t key;
    bool found_up, found_down;  // the directions whose walk the damage puts out of order
    std::function<void(std::vector<uint8_t>*)> apply;
  };
  const Damage damages[] = {
      {"two ids of the time order swapped", kSortModified, true, true,
       [&](std::vector<uint8_t>* bytes) {
         std::swap_ranges(bytes->begin() + 8 + 4 * (2 * n + 1),
                          bytes->begin() + 8 + 4 * (2 * n + 2),
                          bytes->begin() + 8 + 4 * (3 * n - 2));
       }},
      {"every size tie bit set", kSortSize, false, true,
       [&](std::vector<uint8_t>* bytes) {
         std::fill_n(bytes->begin() + ties + 3 * bitmap, bitmap, 0xFF);
       }},
      {"every name tie bit cleared", kSortName, false, true,
       [&](std::vector<uint8_t>* bytes) { std::fill_n(bytes->begin() + ties, bitmap, 0); }},
  };
  std::unique_ptr<EntrySet> set = EntrySet::Create(n, 0);
  std::vector<uint32_t> all(n);
  std::iota(all.begin(), all.end(), 1u);
  set->SetIds(all.data(), n);
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = good;
    damage.apply(&bytes);
    ASSERT_NE(bytes, good) << damage.what;
    testing::WriteBytes(path, bytes);
    for (bool ascending : {true, false}) {
      SortOrders orders;
      ASSERT_TRUE(orders.Open(path, n)) << damage.what;
      const SortChoice choice{damage.key, ascending};
      const std::vector<uint32_t> expected = Expected(*set, {}, choice);
      bool disordered = false;
      std::vector<uint32_t> page;
      CollectSortedPage(set.get(), {}, &orders, choice, Reader(), 1, n, &page, &disordered);
      EXPECT_EQ(page, expected) << damage.what << (ascending ? " up" : " down");
      EXPECT_EQ(disordered, ascending ? damage.found_up : damage.found_down)
          << damage.what << (ascending ? " up" : " down");
    }
  }
  testing::WriteBytes(path, good);
  SortOrders orders;
  ASSERT_TRUE(orders.Open(path, n));
  for (int32_t key = kSortName; key <= kSortSize; ++key) {
    bool disordered = false;
    std::vector<uint32_t> page;
    CollectSortedPage(set.get(), {}, &orders, {key, false}, Reader(), 1, n, &page, &disordered);
    EXPECT_FALSE(disordered) << key;  // a good file is used as it stands
  }
}

}  // namespace
}  // namespace sorvik
