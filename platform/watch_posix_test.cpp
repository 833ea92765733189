// The change watch of the Linux stand-in when its folder goes. (Under Wine a watched folder is
// only deleted once the watch lets go of it: the server deletes on the last close.)
#include <gtest/gtest.h>

#include <set>

#include "platform/fs.h"
#include "platform/watch.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::TestDrive;

TEST(FolderWatch, FailsWhenItsFolderGoes) {
  TestDrive drive('Q');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(CreateFolder(drive.At("watched")));
  ASSERT_TRUE(testing::MakeFile(drive.At("watched\\a.txt")));
  std::string error;
  std::unique_ptr<FolderWatch> watch = FolderWatch::Open(drive.At("watched"), &error);
  ASSERT_NE(watch, nullptr) << error;
  ASSERT_TRUE(DeleteFolderTree(drive.At("watched")));
  std::set<WatchStatus> statuses;
  for (int i = 0; i < 200 && statuses.count(WatchStatus::kFailed) == 0; ++i) {
    std::vector<std::string> paths;
    statuses.insert(watch->Wait(50, &paths));
  }
  EXPECT_EQ(statuses.count(WatchStatus::kFailed), 1u);  // and so the index asks for a rebuild
  std::vector<std::string> paths;
  EXPECT_EQ(watch->Wait(0, &paths), WatchStatus::kFailed);  // for good
}

}  // namespace
}  // namespace sorvik
