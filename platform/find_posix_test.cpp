#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/find.h"
#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Creates an empty file by its POSIX (UTF-8) path, past the seam's GBK conversion.
void Touch(const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)); }

TEST(FindEntriesPosix, LinksNamesAndTimes) {
  testing::TempFolder folder;
  const std::string dir = folder.Path();
  ASSERT_EQ(::mkdir((dir + "/real").c_str(), 0755), 0);
  testing::WriteText(dir + "/file.txt", "abc");
  ASSERT_EQ(::symlink("real", (dir + "/to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("file.txt", (dir + "/to-file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (dir + "/dangling").c_str()), 0);
  Touch(dir + "/\xE4\xB8\xAD\xE6\x96\x87.txt");                           // 中文.txt in UTF-8
  Touch(dir + "/smile\xF0\x9F\x98\x80.txt");                              // an emoji: not in GBK
  struct timespec times[2] = {{0, UTIME_OMIT}, {1118836800, 500000000}};  // 2005-06-15 12:00:00.5
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir + "/file.txt").c_str(), times, 0), 0);

  std::map<std::string, FindRecord> found;
  FindRecord record;
  intptr_t handle = FindFirstEntry(dir + "/*", &record);
  ASSERT_NE(handle, kInvalidFind);
  do {
    found[record.name] = record;
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);

  // Symbolic links are reparse points, folders when they point to one, and have size 0.
  EXPECT_EQ(found["to-folder"].attributes, kAttributeReparsePoint | kAttributeDirectory);
  EXPECT_EQ(found["to-file"].attributes, kAttributeReparsePoint | kAttributeArchive);
  EXPECT_EQ(found["to-file"].size, 0u);
  EXPECT_EQ(found["dangling"].attributes, kAttributeReparsePoint | kAttributeArchive);
  EXPECT_EQ(found["real"].attributes, kAttributeDirectory);
  EXPECT_EQ(found["file.txt"].attributes, kAttributeArchive);
  // Names arrive as GBK; what GBK cannot hold becomes "?" per UTF-16 unit.
  EXPECT_EQ(found.count("\xD6\xD0\xCE\xC4.txt"), 1u);
  EXPECT_EQ(found.count("smile??.txt"), 1u);
  // Times are FILETIME ticks.
  EXPECT_EQ(found["file.txt"].last_write, (1118836800ULL + 11644473600ULL) * 10000000ULL + 5000000);
  EXPECT_EQ(found.size(), 9u);  // the seven entries with "." and ".."
}

TEST(FindEntriesPosix, InvalidBytesAndControlCharactersBecomeOneMarkEach) {
  testing::TempFolder folder;
  const std::string dir = folder.Path();
  Touch(dir + "/bad\xff_dir");        // one byte that is no UTF-8
  Touch(dir + "/two\xe4\xb8x");       // a character cut short: two invalid bytes
  Touch(dir + "/line\nfeed\ttab\r");  // impossible on Windows, fatal to line records
  std::map<std::string, int> found;
  FindRecord record;
  intptr_t handle = FindFirstEntry(dir + "/*", &record);
  ASSERT_NE(handle, kInvalidFind);
  do {
    ++found[record.name];
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  EXPECT_EQ(found.count("bad?_dir"), 1u);
  EXPECT_EQ(found.count("two??x"), 1u);
  EXPECT_EQ(found.count("line?feed?tab?"), 1u);
}

TEST(FindEntriesPosix, FoldersWhoseNamesLostCharactersAreReachedByTheirNativeNames) {
  testing::TempFolder folder;
  const std::string dir = folder.Path();
  const std::string korean = "\xED\x95\x9C";  // 한
  ASSERT_EQ(::mkdir((dir + "/" + korean + "_dir").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir + "/" + korean + "_dir/sub").c_str(), 0755), 0);
  Touch(dir + "/" + korean + "_dir/sub/inside.txt");
  Touch(dir + "/" + korean + ".txt");
  ASSERT_EQ(::mkdir((dir + "/\xE4\xB8\xAD").c_str(), 0755), 0);  // 中: GBK holds it
  std::map<std::string, FindRecord> found;
  FindRecord record;
  intptr_t handle = FindFirstIn(FindPath{dir, false}, &record);
  ASSERT_NE(handle, kInvalidFind);
  do {
    found[record.name] = record;
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  ASSERT_EQ(found.size(), 5u);
  // Only the folder whose name lost a character carries another way in.
  EXPECT_EQ(found["?_dir"].reach_form, kReachNative);
  EXPECT_EQ(std::string(found["?_dir"].reach), korean + "_dir");
  EXPECT_EQ(found["?.txt"].reach_form, kReachByName);
  EXPECT_EQ(found["\xD6\xD0"].reach_form, kReachByName);
  // Joined paths: the native one leaves the program form, and stays native further down.
  FindPath lost, sub, chinese;
  ASSERT_TRUE(JoinFindPath(FindPath{dir, false}, found["?_dir"], &lost));
  EXPECT_TRUE(lost.native);
  EXPECT_EQ(lost.text, dir + "/" + korean + "_dir");
  ASSERT_TRUE(JoinFindPath(FindPath{dir, false}, found["\xD6\xD0"], &chinese));
  EXPECT_FALSE(chinese.native);
  EXPECT_EQ(chinese.text, dir + "\\\xD6\xD0");
  handle = FindFirstIn(lost, &record);
  ASSERT_NE(handle, kInvalidFind);
  while (std::string(record.name) != "sub") ASSERT_TRUE(FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  ASSERT_TRUE(JoinFindPath(lost, record, &sub));
  EXPECT_TRUE(sub.native);
  handle = FindFirstIn(sub, &record);
  ASSERT_NE(handle, kInvalidFind);
  std::vector<std::string> inside;
  do {
    inside.push_back(record.name);
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  std::sort(inside.begin(), inside.end());
  EXPECT_EQ(inside, (std::vector<std::string>{".", "..", "inside.txt"}));
  // Nothing reaches a folder marked so.
  record.reach_form = kReachNone;
  EXPECT_FALSE(JoinFindPath(lost, record, &sub));
}

}  // namespace
}  // namespace sorvik
