#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/posix/native_path.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(NativePath, DriveMapAndSeparators) {
  ClearDriveMap();
  // Relative program paths keep their place; separators become slashes.
  EXPECT_EQ(NativePath(".\\NIndex\\db.txt"), "./NIndex/db.txt");
  EXPECT_EQ(NativePath("/tmp/x"), "/tmp/x");
  // Unmapped drives do not exist.
  EXPECT_EQ(NativePath("C:\\Windows"), "");
  EXPECT_FALSE(PathExists("C:"));
  // Mapped drives, in either letter case, trailing slashes dropped.
  EXPECT_TRUE(MapDrive('c', "/srv/disk/"));
  EXPECT_EQ(NativePath("C:"), "/srv/disk");
  EXPECT_EQ(NativePath("c:\\Windows\\System32"), "/srv/disk/Windows/System32");
  EXPECT_EQ(NativePath("C:\\*"), "/srv/disk/*");
  EXPECT_TRUE(MapDrive('D', "/"));
  EXPECT_EQ(NativePath("D:\\etc"), "/etc");
  EXPECT_FALSE(MapDrive('1', "/x"));
  // GBK names become UTF-8, and a GBK trail byte 0x5C is not a separator.
  EXPECT_EQ(NativePath("C:\\\xD6\xD0\\\xB1\x5C"), "/srv/disk/\xE4\xB8\xAD/\xE7\x9B\xB6");
  ClearDriveMap();
}

TEST(NativePath, FilesThroughAMappedDrive) {
  testing::TempFolder folder;
  ClearDriveMap();
  ASSERT_TRUE(MapDrive('E', folder.Path()));
  ASSERT_TRUE(CreateFolder("E:\\\xD6\xD0\xCE\xC4"));  // a GBK folder name
  auto file = OpenWinFile("E:\\\xD6\xD0\xCE\xC4\\a.txt", kOpenAlways);
  ASSERT_NE(file, nullptr);
  file.reset();
  // Seam paths are GBK; on disk the folder name is UTF-8.
  EXPECT_TRUE(PathExists(folder.Path() + "/\xD6\xD0\xCE\xC4/a.txt"));
  struct stat st;
  EXPECT_EQ(::stat((folder.Path() + "/\xE4\xB8\xAD\xE6\x96\x87/a.txt").c_str(), &st), 0);
  ClearDriveMap();
}

}  // namespace
}  // namespace sorvik
