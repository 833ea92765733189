#include "index/folder_lister.h"

#include <gtest/gtest.h>

#include <cstring>

#include "index/snapshot_walker.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using namespace testing;

// The fields of a record that the walk uses, as one comparable text.
std::string Describe(const FindRecord& record) {
  return std::string(record.name) + "|" + std::to_string(record.attributes) + "|" +
         std::to_string(record.size) + "|" + std::to_string(record.last_write) + "|" +
         std::to_string(record.reach_form) + "|" + record.reach;
}

std::vector<std::string> Lines(const FolderListing& listing) {
  std::vector<std::string> lines;
  FindRecord record;
  for (size_t i = 0; i < listing.Count(); ++i) {
    listing.Get(i, &record);
    lines.push_back(Describe(record));
  }
  return lines;
}

std::vector<FindPath> FoldersOf(const Model& model, const std::string& root) {
  std::vector<FindPath> folders = {FindPath{root, false}};
  for (const auto& entry : model) {
    if (entry.second.folder) folders.push_back(FindPath{entry.first, false});
  }
  return folders;
}

TEST(FolderLister, ListingsMadeAheadEqualListingsMadeNow) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  const Model model = MakeGeneratedTree("D:", 600, 7);
  const std::vector<FindPath> folders = FoldersOf(model, "D:");
  ASSERT_GT(folders.size(), 40u);
  std::vector<std::vector<std::string>> now;
  for (const FindPath& folder : folders) now.push_back(Lines(ListFolder(folder)));

  // Workers or none; a cap that never binds and one that always does (the walk then lists
  // what no worker started); folders taken in the order asked, reversed, and after a Drop.
  for (unsigned threads : {0u, 1u, 3u}) {
    for (size_t cap : {FolderLister::kDefaultPendingEntries, size_t{1}}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, cap " + std::to_string(cap));
      FolderLister lister(threads, cap);
      lister.Ahead(folders);
      for (size_t i = folders.size(); i-- > 0;) EXPECT_EQ(Lines(lister.Take(folders[i])), now[i]);
      lister.Ahead(folders);
      for (size_t i = 0; i < folders.size(); ++i) {
        EXPECT_EQ(Lines(lister.Take(folders[i])), now[i]);
      }
      lister.Ahead(folders);
      lister.Drop();
      EXPECT_EQ(Lines(lister.Take(folders[1])), now[1]);
      lister.Ahead(folders);  // left for the destructor
    }
  }
  EXPECT_TRUE(Lines(ListFolder(FindPath{"D:\\no such folder", false})).empty());
}

TEST(FolderLister, WalkerRecordsTheSameSnapshotWithAndWithoutWorkers) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  MakeGeneratedTree("D:", 1500, 11);
  std::vector<std::unique_ptr<Snapshot>> snapshots;
  for (unsigned threads : {0u, 4u}) {
    TempFolder build;
    {
      auto walker = SnapshotWalker::Open(build.Path(), 0);
      ASSERT_TRUE(walker);
      walker->SetListerThreads(threads);
      EXPECT_GT(walker->WalkRoot("D:"), 1000u);
    }
    snapshots.emplace_back(new Snapshot(build.Path()));
  }
  const Snapshot& alone = *snapshots[0];
  const Snapshot& ahead = *snapshots[1];
  EXPECT_EQ(alone.db, ahead.db);
  EXPECT_EQ(alone.mai, ahead.mai);
  EXPECT_EQ(alone.rw, ahead.rw);
  EXPECT_EQ(alone.cm, ahead.cm);
  EXPECT_EQ(alone.dm, ahead.dm);
}

}  // namespace
}  // namespace sorvik
