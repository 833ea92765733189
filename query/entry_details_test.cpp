#include "query/entry_details.h"

#include <gtest/gtest.h>

#include "index/record_store.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(EntryDetails, ParsesHexLikeTheScanner) {
  EXPECT_EQ(ParseHex64("2008"), 0x2008u);  // a decimal year is still read as hexadecimal
  EXPECT_EQ(ParseHex64("-1"), kFolderSize);
  EXPECT_EQ(ParseHex64("12a05f200"), 0x12a05f200ull);
  EXPECT_EQ(ParseHex64(" 0x1F"), 0x1Fu);
  EXPECT_EQ(ParseHex64("ffffffffffffffff"), kFolderSize);
  EXPECT_EQ(ParseHex64("12zz"), 0x12u);
  EXPECT_EQ(ParseHex64("0x"), 0u);
  EXPECT_EQ(ParseHex64(""), 0u);
  EXPECT_EQ(ParseHex64("zz"), 0u);
}

TEST(EntryDetails, LoadsFromRecordStore) {
  testing::TempFolder folder;
  RecordStore store;
  ASSERT_TRUE(store.Open(folder.Join("db.txt")));
  store.Append("I:Windows\nM:4a1b2c3d\nD:C:\nS:-1\n");  // 1: folder in the root
  store.Append("I:a.txt\nM:2008\nD:1\nS:12a05f200\n");  // 2: file in C:\Windows
  store.Append("I:boot.ini\nM:5\nD:C:\nS:10\n");        // 3: file in the root
  store.Append("I:zero\nD:0\nS:1\n");                   // 4: parent id 0
  store.Append("I:far\nD:99\n");                        // 5: parent beyond the count
  store.Append("I:text\nD:1x\n");                       // 6: parent not a number
  store.Append("I:deep\nD:2\n");                        // 7: parent is a file record
  EntryDetails details;
  {  // A folder in a root: path from "D", size all bits set.
    ASSERT_TRUE(LoadEntryDetails(&store, 1, &details));
    EXPECT_EQ(details.folderPath, "C:");
    EXPECT_EQ(details.modifiedTime, 0x4a1b2c3du);
    EXPECT_TRUE(details.IsFolder());
  }
  {  // A file below a folder: the parent's "D" + "\" + "I".
    ASSERT_TRUE(LoadEntryDetails(&store, 2, &details));
    EXPECT_EQ(details.name, "a.txt");
    EXPECT_EQ(details.folderPath, "C:\\Windows");
    EXPECT_EQ(details.modifiedTime, 0x2008u);
    EXPECT_EQ(details.size, 0x12a05f200ull);
    EXPECT_FALSE(details.IsFolder());
  }
  {  // A file directly in a drive root.
    ASSERT_TRUE(LoadEntryDetails(&store, 3, &details));
    EXPECT_EQ(details.folderPath, "C:");
    EXPECT_EQ(details.FullPath(), "C:\\boot.ini");
  }
  {  // Damaged parent references give an empty folder and keep the rest.
    for (uint32_t id : {4u, 5u, 6u}) {
      ASSERT_TRUE(LoadEntryDetails(&store, id, &details));
      EXPECT_EQ(details.folderPath, "") << id;
      EXPECT_FALSE(details.name.empty());
    }
    // Only the one parent is read: its own "D" is taken as it stands.
    ASSERT_TRUE(LoadEntryDetails(&store, 7, &details));
    EXPECT_EQ(details.folderPath, "1\\a.txt");
  }
  {  // An unreadable record gives empty texts and zeros.
    details.name = "stale";
    EXPECT_FALSE(LoadEntryDetails(&store, 0, &details));
    EXPECT_FALSE(LoadEntryDetails(&store, 8, &details));
    EXPECT_EQ(details.name, "");
    EXPECT_EQ(details.folderPath, "");
    EXPECT_EQ(details.size, 0u);
    EXPECT_EQ(details.modifiedTime, 0u);
  }
}

}  // namespace
}  // namespace sorvik
