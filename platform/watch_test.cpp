// The change watch on a test drive: what it reports for changes at every depth, for a folder
// that arrives with entries in it, and that it says so when changes are lost.
#include "platform/watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "platform/fs.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::TestDrive;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Joined(const std::set<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += path + "\n";
  return text;
}

// Waits on `watch` until every path of `expected` was reported (at most ~20 s); returns the
// paths reported, in lower case, and the statuses seen.
std::set<std::string> Collect(FolderWatch* watch, const std::set<std::string>& expected,
                              std::set<WatchStatus>* statuses) {
  std::set<std::string> seen;
  for (int i = 0; i < 400; ++i) {
    std::vector<std::string> paths;
    statuses->insert(watch->Wait(50, &paths));
    for (const std::string& path : paths) seen.insert(Lower(path));
    if (std::includes(seen.begin(), seen.end(), expected.begin(), expected.end())) break;
  }
  return seen;
}

TEST(FolderWatch, ReportsChangesAtEveryDepth) {
  TestDrive drive('Q');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(CreateFolder(drive.At("a")));
  ASSERT_TRUE(CreateFolder(drive.At("a\\b")));
  ASSERT_TRUE(testing::MakeFile(drive.At("a\\b\\old.txt")));
  std::string error;
  std::unique_ptr<FolderWatch> watch = FolderWatch::Open(drive.Root(), &error);
  ASSERT_NE(watch, nullptr) << error;
  EXPECT_GE(watch->SystemWatches(), 1u);
  std::set<WatchStatus> statuses;
  {  // made, renamed, deleted and changed, at the root and two levels down
    ASSERT_TRUE(testing::MakeFile(drive.At("Top.txt")));
    ASSERT_TRUE(testing::MakeFile(drive.At("a\\b\\Deep.doc")));
    ASSERT_TRUE(RenamePath(drive.At("a\\b\\old.txt"), drive.At("a\\New.txt")));
    ASSERT_TRUE(testing::SetWriteTime(drive.At("a\\b\\Deep.doc"), 1000000000));
    ASSERT_TRUE(RemoveFile(drive.At("Top.txt")));
    const std::set<std::string> expected = {"q:\\top.txt", "q:\\a\\b\\deep.doc",
                                            "q:\\a\\b\\old.txt", "q:\\a\\new.txt"};
    const std::set<std::string> seen = Collect(watch.get(), expected, &statuses);
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), expected.begin(), expected.end()))
        << Joined(seen);
  }
  {  // a folder made with entries in it, and one moved in from outside the drive's watch
    ASSERT_TRUE(CreateFolder(drive.At("fresh")));
    ASSERT_TRUE(CreateFolder(drive.At("fresh\\inner")));
    ASSERT_TRUE(testing::MakeFile(drive.At("fresh\\inner\\x.jpg")));
    ASSERT_TRUE(RenamePath(drive.At("a\\b"), drive.At("fresh\\b2")));
    ASSERT_TRUE(testing::MakeFile(drive.At("fresh\\b2\\after.txt")));
    const std::set<std::string> expected = {"q:\\fresh", "q:\\fresh\\inner\\x.jpg", "q:\\a\\b",
                                            "q:\\fresh\\b2", "q:\\fresh\\b2\\after.txt"};
    const std::set<std::string> seen = Collect(watch.get(), expected, &statuses);
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), expected.begin(), expected.end()))
        << Joined(seen);
  }
  EXPECT_EQ(statuses.count(WatchStatus::kOverflow), 0u);
  EXPECT_EQ(statuses.count(WatchStatus::kFailed), 0u);
}

TEST(FolderWatch, NeverLosesChangesSilently) {
  TestDrive drive('Q');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(CreateFolder(drive.At("many")));
  std::string error;
  std::unique_ptr<FolderWatch> watch = FolderWatch::Open(drive.Root(), &error);
  ASSERT_NE(watch, nullptr) << error;
  // Nobody reads while 10000 files (20000 events) are made: more than a Linux watch keeps (16384
  // events by default). Either every file is reported in the end (Wine's server keeps them all) or
  // the watch says that changes were lost.
  constexpr int kFiles = 10000;
  std::set<std::string> expected;
  for (int i = 0; i < kFiles; ++i) {
    ASSERT_TRUE(testing::MakeFile(drive.At("many\\f" + std::to_string(i))));
    expected.insert("q:\\many\\f" + std::to_string(i));
  }
  std::set<WatchStatus> statuses;
  std::set<std::string> seen;
  for (int i = 0; i < 400 && statuses.count(WatchStatus::kOverflow) == 0; ++i) {
    std::vector<std::string> paths;
    statuses.insert(watch->Wait(50, &paths));
    for (const std::string& path : paths) seen.insert(Lower(path));
    if (std::includes(seen.begin(), seen.end(), expected.begin(), expected.end())) break;
  }
  const bool all = std::includes(seen.begin(), seen.end(), expected.begin(), expected.end());
  EXPECT_TRUE(all || statuses.count(WatchStatus::kOverflow) == 1)
      << seen.size() << " of " << kFiles << " reported, no overflow";
  std::printf("[ note ] %s\n", all ? "every change reported" : "overflow reported");
}

TEST(FolderWatch, RefusesWhatIsNotThere) {
  std::string error;
  EXPECT_EQ(FolderWatch::Open("J:", &error), nullptr);  // no such drive
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace sorvik
