#include "platform/drives.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(Drives, TestDrivesOfEveryTypeComeAndGo) {
  testing::TempFolder folder;
  const uint32_t bit = 1u << ('Q' - 'A');
  for (uint32_t type : {kDriveFixed, kDriveRemovable, kDriveRemote, kDriveCdrom}) {
    ASSERT_TRUE(MapTestDrive('Q', folder.Path(), type)) << type;
    EXPECT_TRUE(LogicalDriveMask() & bit);
    EXPECT_EQ(DriveType("Q:\\"), type);
  }
  EXPECT_TRUE(UnmapTestDrive('Q'));
  EXPECT_FALSE(LogicalDriveMask() & bit);
  EXPECT_EQ(DriveType("Q:\\"), kDriveNoRootDir);
  // The system drive and Wine's root are never remapped.
  EXPECT_FALSE(MapTestDrive('C', folder.Path(), kDriveFixed));
  EXPECT_FALSE(MapTestDrive('Z', folder.Path(), kDriveFixed));
}

}  // namespace
}  // namespace sorvik
