#include "platform/find.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/drives.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Every match of `pattern`, by name.
std::map<std::string, FindRecord> FindAll(const std::string& pattern) {
  std::map<std::string, FindRecord> found;
  FindRecord record;
  intptr_t handle = FindFirstEntry(pattern, &record);
  if (handle == kInvalidFind) return found;
  do {
    found[record.name] = record;
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  return found;
}

// A build refuses a drive whose root cannot be listed, but walks an empty one.
TEST(FindEntries, FolderListableTellsAnEmptyDriveFromAMissingOne) {
  testing::TempFolder folder;
  ASSERT_TRUE(MapTestDrive('Q', folder.Path(), kDriveFixed));
  EXPECT_TRUE(FolderListable("Q:"));  // an empty root lists nothing, yet can be listed
  ASSERT_TRUE(CreateFolder("Q:\\sub"));
  EXPECT_TRUE(FolderListable("Q:\\sub"));
  EXPECT_FALSE(FolderListable("Q:\\missing"));
  auto file = OpenWinFile("Q:\\file.txt", kOpenAlways);
  file.reset();
  EXPECT_FALSE(FolderListable("Q:\\file.txt"));
  EXPECT_TRUE(UnmapTestDrive('Q'));
  EXPECT_FALSE(FolderListable("Q:"));
}

TEST(FindEntries, ListsNamesKindsSizesAndDotLinks) {
  testing::TempFolder folder;
  ASSERT_TRUE(MapTestDrive('P', folder.Path(), kDriveFixed));
  ASSERT_TRUE(CreateFolder("P:\\sub"));
  ASSERT_TRUE(CreateFolder("P:\\sub\\\xD6\xD0\xCE\xC4"));  // a GBK folder name
  OpenWinFile("P:\\sub\\a.TXT", kOpenAlways)->WriteAt(0, "12345", 5);
  OpenWinFile("P:\\sub\\.hidden", kOpenAlways);
  OpenWinFile("P:\\sub\\b.dat", kOpenAlways)->SetSize(5000000000ULL);
  OpenWinFile("P:\\root.txt", kOpenAlways);

  // A folder lists "." and ".." and its entries with their kinds and sizes.
  {
    auto found = FindAll("P:\\sub\\*");
    ASSERT_EQ(found.size(), 6u);
    EXPECT_TRUE(found["."].attributes & kAttributeDirectory);
    EXPECT_TRUE(found[".."].attributes & kAttributeDirectory);
    EXPECT_FALSE(found["."].attributes & kAttributeHidden);
    EXPECT_TRUE(found["\xD6\xD0\xCE\xC4"].attributes & kAttributeDirectory);
    EXPECT_EQ(found["a.TXT"].size, 5u);
    EXPECT_FALSE(found["a.TXT"].attributes & kAttributeDirectory);
    EXPECT_EQ(found["b.dat"].size, 5000000000ULL);
    EXPECT_TRUE(found[".hidden"].attributes & kAttributeHidden);
    EXPECT_FALSE(found["a.TXT"].attributes & kAttributeHidden);
  }
  // A drive root has no "." and "..".
  {
    auto found = FindAll("P:\\*");
    EXPECT_EQ(found.size(), 2u);
    EXPECT_EQ(found.count("sub") + found.count("root.txt"), 2u);
  }
  // Wildcards match without regard to ASCII case; an exact name finds that entry.
  {
    auto found = FindAll("P:\\sub\\*.txt");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.begin()->first, "a.TXT");
    EXPECT_EQ(FindAll("P:\\sub\\?.dat").size(), 1u);
    EXPECT_EQ(FindAll("P:\\sub\\A.txt").size(), 1u);
    EXPECT_EQ(FindAll("P:\\sub\\\xD6\xD0*").size(), 1u);
  }
  // Missing folders, files taken as folders and unmapped drives list nothing.
  {
    FindRecord record;
    EXPECT_EQ(FindFirstEntry("P:\\missing\\*", &record), kInvalidFind);
    EXPECT_EQ(FindFirstEntry("P:\\root.txt\\*", &record), kInvalidFind);
    EXPECT_EQ(FindFirstEntry("P:\\sub\\*.none", &record), kInvalidFind);
  }
  UnmapTestDrive('P');
}

// The live index reads one changed path at a time: what it reads is what a listing gives.
TEST(FindEntries, StatEntryAgreesWithTheListing) {
  testing::TempFolder folder;
  ASSERT_TRUE(MapTestDrive('O', folder.Path(), kDriveFixed));
  ASSERT_TRUE(CreateFolder("O:\\sub"));
  ASSERT_TRUE(CreateFolder("O:\\sub\\\xD6\xD0\xCE\xC4"));
  OpenWinFile("O:\\sub\\a.TXT", kOpenAlways)->WriteAt(0, "12345", 5);
  OpenWinFile("O:\\sub\\.hidden", kOpenAlways);
  OpenWinFile("O:\\sub\\b.dat", kOpenAlways)->SetSize(5000000000ULL);
  auto listed = FindAll("O:\\sub\\*");
  for (const char* name : {"\xD6\xD0\xCE\xC4", "a.TXT", ".hidden", "b.dat"}) {
    FindRecord record;
    ASSERT_TRUE(StatEntry(std::string("O:\\sub\\") + name, &record)) << name;
    EXPECT_STREQ(record.name, name);
    EXPECT_EQ(record.attributes, listed[name].attributes) << name;
    EXPECT_EQ(record.size, listed[name].size) << name;
    EXPECT_EQ(record.last_write, listed[name].last_write) << name;
    EXPECT_EQ(record.reach_form, kReachByName) << name;
  }
  FindRecord record;
  EXPECT_FALSE(StatEntry("O:\\sub\\missing.txt", &record));
  EXPECT_FALSE(StatEntry("O:\\missing\\a.TXT", &record));
  EXPECT_FALSE(StatEntry("O:\\sub\\*.TXT", &record));
  EXPECT_FALSE(StatEntry("O:\\sub\\?.TXT", &record));
  // Nothing stays open: the folder of what was just read can be deleted at once.
  EXPECT_TRUE(DeleteFolderTree("O:\\sub"));
  UnmapTestDrive('O');
}

}  // namespace
}  // namespace sorvik
