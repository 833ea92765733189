// The live layer on its own: merged pages, ids that stay, removals, and what a search selects.
#include "query/live_layer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "index/snapshot_format.h"
#include "query/entry_set.h"

namespace sorvik {
namespace {

constexpr uint64_t kTicks2015 = 130788432000000000ull;      // 2015-06-15 12:00 UTC as a FILETIME
constexpr uint64_t kTicks1960 = 113432400000000000ull;      // 1960-06-15 12:00 UTC
constexpr uint64_t kTicksJuly2015 = 130814352000000000ull;  // 2015-07-15 12:00 UTC

FindRecord Record(const char* name, bool folder, uint64_t ticks = kTicks2015) {
  FindRecord record = {};
  record.attributes = folder ? kAttributeDirectory : kAttributeArchive;
  if (name[0] == '.') record.attributes |= kAttributeHidden;
  record.size = folder ? 0 : 42;
  record.last_write = ticks;
  std::strncpy(record.name, name, sizeof record.name - 1);
  return record;
}

std::vector<uint32_t> Page(const EntrySet* set, const std::vector<uint32_t>& extra, uint32_t first,
                           uint32_t count, uint32_t* total) {
  std::vector<uint32_t> ids;
  *total = CollectMergedPage(set, extra, first, count, &ids);
  return ids;
}

TEST(LiveLayer, MergedPagesRunOverTheIndexThenTheAdditions) {
  std::unique_ptr<EntrySet> set = EntrySet::Create(10, 0x00);
  const uint32_t indexed[] = {2, 5, 9};
  set->SetIds(indexed, 3);
  const std::vector<uint32_t> extra = {11, 12};
  uint32_t total = 0;
  EXPECT_EQ(Page(set.get(), extra, 1, 2, &total), (std::vector<uint32_t>{2, 5}));
  EXPECT_EQ(total, 5u);
  EXPECT_EQ(Page(set.get(), extra, 3, 2, &total), (std::vector<uint32_t>{9, 11}));
  EXPECT_EQ(Page(set.get(), extra, 5, 2, &total), (std::vector<uint32_t>{12}));
  EXPECT_TRUE(Page(set.get(), extra, 7, 2, &total).empty());
  EXPECT_EQ(Page(set.get(), extra, 1, 0xFFFFFFFFu, &total),
            (std::vector<uint32_t>{2, 5, 9, 11, 12}));
  EXPECT_EQ(Page(set.get(), extra, 4, 0xFFFFFFFFu, &total), (std::vector<uint32_t>{11, 12}));
  // No index set (a location the index does not know): the additions alone.
  EXPECT_EQ(Page(nullptr, extra, 1, 800, &total), extra);
  EXPECT_EQ(total, 2u);
}

TEST(LiveLayer, IdsStayAndRemovalsClear) {
  LiveLayer layer(100);
  const uint32_t a = layer.Put("C:\\Docs\\a.doc", Record("a.doc", false), 2026);
  EXPECT_EQ(a, 101u);
  {  // the same path in another case keeps its id; details follow the disk
    FindRecord bigger = Record("A.doc", false);
    bigger.size = 99;
    EXPECT_EQ(layer.Put("c:\\docs\\A.DOC", bigger, 2026), a);
    EntryDetails details;
    ASSERT_TRUE(layer.Details(a, &details));
    EXPECT_EQ(details.size, 99u);
    EXPECT_EQ(details.name, "A.doc");
    EXPECT_EQ(details.folderPath, "c:\\docs");
  }
  const uint32_t folder = layer.Put("C:\\Docs\\sub", Record("sub", true), 2026);
  const uint32_t below = layer.Put("C:\\Docs\\sub\\b.txt", Record("b.txt", false), 2026);
  const uint32_t beside = layer.Put("C:\\Docs\\subway.txt", Record("subway.txt", false), 2026);
  {  // a folder erased with what is below it, not its namesake beside it; ids are not reused
    layer.Erase("C:\\DOCS\\SUB", true);
    EXPECT_FALSE(layer.Find("C:\\Docs\\sub")->alive);
    EXPECT_FALSE(layer.Find("C:\\Docs\\sub\\b.txt")->alive);
    EXPECT_TRUE(layer.Find("C:\\Docs\\subway.txt")->alive);
    EXPECT_EQ(layer.Put("C:\\Docs\\new.txt", Record("new.txt", false), 2026), beside + 1);
    EXPECT_LT(folder, below);
  }
  {  // the result list removes an addition only by its own path
    EXPECT_FALSE(layer.EraseId(a, "C:\\Docs\\other.doc"));
    EXPECT_TRUE(layer.EraseId(a, "C:\\DOCS\\a.doc"));
    EXPECT_FALSE(layer.EraseId(5, "C:\\x"));  // an index id is not the layer's
  }
  {  // index removals: single ids and a folder with the entries below it, clamped to N
    layer.RemoveIndexId(3);
    layer.RemoveIndexSubtree(10, 5);   // 10 .. 15
    layer.RemoveIndexSubtree(98, 50);  // 98 .. 100
    EXPECT_TRUE(layer.SubtreeRemoved(10));
    std::unique_ptr<EntrySet> set = EntrySet::Create(100, 0xFF);
    layer.ClearRemoved(set.get());
    EXPECT_EQ(set->Count(), 100u - 1 - 6 - 3);
    EXPECT_FALSE(set->Contains(15));
    EXPECT_TRUE(set->Contains(16));
  }
}

TEST(LiveLayer, MatchAppliesEveryFilter) {
  LiveLayer layer(0);
  const uint32_t report = layer.Put("D:\\work\\report.doc", Record("report.doc", false), 2026);
  const uint32_t photo = layer.Put("D:\\work\\pics\\.photo.JPG", Record(".photo.JPG", false), 2026);
  const uint32_t folder = layer.Put("D:\\work\\pics", Record("pics", true), 2026);
  const uint32_t other = layer.Put("D:\\workshop\\report2.doc", Record("report2.doc", false), 2026);
  const uint32_t chinese = layer.Put("D:\\报告.txt", Record("报告.txt", false), 2026);
  auto match = [&](const SearchRequest& request) {
    std::vector<uint32_t> ids;
    layer.Match(request, &ids);
    return ids;
  };
  using Ids = std::vector<uint32_t>;
  EXPECT_EQ(match(MakeSearchRequest("REPORT", "", kCategoryAll, false, 0, 0)),
            (Ids{report, other}));
  EXPECT_EQ(match(MakeSearchRequest("rep doc,pics", "", kCategoryAll, false, 0, 0)),
            (Ids{report, folder, other}));
  EXPECT_EQ(match(MakeSearchRequest("", "", kCategoryPictures, false, 0, 0)), (Ids{photo}));
  EXPECT_EQ(match(MakeSearchRequest("", "", kCategoryFolders, false, 0, 0)), (Ids{folder}));
  EXPECT_EQ(match(MakeSearchRequest("", "", kCategoryHidden, false, 0, 0)), (Ids{photo}));
  EXPECT_EQ(match(MakeSearchRequest("", "", kCategoryAll, true, 0, 0)), (Ids{photo}));
  // Strictly below the location, its namesake "D:\workshop" left out.
  EXPECT_EQ(match(MakeSearchRequest("", "d:\\WORK\\", kCategoryAll, false, 0, 0)),
            (Ids{report, photo, folder}));
  EXPECT_EQ(match(MakeSearchRequest("", "D:", kCategoryAll, false, 0, 0)).size(), 5u);
  // Month codes as a build gives them: 2015 (local), and only that year.
  EXPECT_EQ(match(MakeSearchRequest("", "", kCategoryAll, false, 2015, 0)).size(), 5u);
  EXPECT_TRUE(match(MakeSearchRequest("", "", kCategoryAll, false, 2016, 0)).empty());
  {  // a month search ends before the next month: its first day's files are not listed
    const uint32_t july =
        layer.Put("D:\\july.txt", Record("july.txt", false, kTicksJuly2015), 2026);
    EXPECT_EQ(match(MakeSearchRequest("july", "", kCategoryAll, false, 2015, 7)), (Ids{july}));
    EXPECT_TRUE(match(MakeSearchRequest("july", "", kCategoryAll, false, 2015, 6)).empty());
    EXPECT_EQ(match(MakeSearchRequest("report", "", kCategoryAll, false, 2015, 6)),
              (Ids{report, other}));
    layer.Erase("D:\\july.txt", false);
  }
  // Pinyin initials only when asked for.
  SearchRequest initials = MakeSearchRequest("bg", "", kCategoryAll, false, 0, 0);
  EXPECT_TRUE(match(initials).empty());
  initials.pinyin = true;
  EXPECT_EQ(match(initials), (Ids{chinese}));
  // Whole syllables and prefixes of them; one character alone by the name keys.
  for (const char* word : {"baogao", "bgao", "bao", "gao.t"}) {
    SearchRequest full = MakeSearchRequest(word, "", kCategoryAll, false, 0, 0);
    full.pinyin = true;
    EXPECT_EQ(match(full), (Ids{chinese})) << word;
  }
  SearchRequest past = MakeSearchRequest("baogaox", "", kCategoryAll, false, 0, 0);
  past.pinyin = true;
  EXPECT_TRUE(match(past).empty());
  // A deleted addition is never selected.
  layer.Erase("D:\\work\\report.doc", false);
  EXPECT_EQ(match(MakeSearchRequest("report", "", kCategoryAll, false, 0, 0)), (Ids{other}));
}

TEST(LiveLayer, TimesOutOfRangeTakeTheBuildYear) {
  LiveLayer layer(0);
  // 1960: not a time a build keeps; it records the current year in decimal, codes it with that
  // year and the file's own month.
  const uint32_t old = layer.Put("C:\\old.txt", Record("old.txt", false, kTicks1960), 2026);
  EntryDetails details;
  ASSERT_TRUE(layer.Details(old, &details));
  EXPECT_EQ(details.modifiedTime, 0x2026u);  // "M:2026" read as the walker's hex
  EXPECT_EQ(layer.Find("C:\\old.txt")->monthCode, snapshot::MonthCode(2026, 6));
  // In range: the Unix seconds of the local minute, and its own year.
  const uint32_t recent = layer.Put("C:\\new.txt", Record("new.txt", false), 2026);
  ASSERT_TRUE(layer.Details(recent, &details));
  EXPECT_EQ(details.modifiedTime / 60 * 60, details.modifiedTime);
  EXPECT_NEAR(static_cast<double>(details.modifiedTime), 1434369600.0, 86400.0);
  EXPECT_EQ(layer.Find("C:\\new.txt")->monthCode, snapshot::MonthCode(2015, 6));
}

}  // namespace
}  // namespace sorvik
