// The first build on a disk that fails part way: the dialog still ends, and the half-built
// folder never becomes the live index (the background thread then builds again).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/fault_injection.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"
#include "ui/first_build/index_creation_dlg_win32.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::FailingDisk;
using testing::TestDrive;
using testing::WorkFolder;

// Runs the first-build dialog to its end on `work`; returns the texts of the message boxes
// answered after the first-build notice.
std::vector<std::string> RunFirstBuild(WorkFolder* work) {
  DialogAnswerer answerer({kFirstBuildNoticeCaption, kIndexNotBuiltCaption});
  CIndexCreationDlg dialog(&work->settings, work->build);
  EXPECT_EQ(dialog.RunModal(), IDOK);
  dialog.WaitForWorker();
  return std::vector<std::string>(answerer.texts.begin() + 1, answerer.texts.end());
}

TEST(IndexCreationFaults, AFailedFirstBuildIsNotMadeLive) {
  testing::TestDriveLock lock;  // Y: is shared with the other window tests
  TestDrive drive('Y');
  ASSERT_TRUE(drive.Mapped());
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(testing::MakeFile(drive.At(std::to_string(i) + ".txt")));
  WorkFolder work("Y:");
  uint32_t writes = 0;
  {  // a build that succeeds, counted
    FailingDisk counter;
    ASSERT_TRUE(BuildIndex(&work.settings, work.build));
    writes = counter.writes;
    ASSERT_TRUE(DeleteFolderTree(work.work + kBuildFolder));
  }
  {  // one write half way through fails
    FailingDisk disk;
    disk.fail_only = writes / 2;
    const std::vector<std::string> told = RunFirstBuild(&work);
    // The user is told the index was not built, never "索引建立完成！".
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(kIndexNotBuiltText, 0), 0u) << told[0];
  }
  EXPECT_FALSE(PathExists(work.Live()));
  EXPECT_FALSE(PathExists(work.work + kBuildFolder));
}

TEST(IndexCreationFaults, ADriveThatIsGoneIsNamedAndNothingIsMadeLive) {
  testing::TestDriveLock lock;
  // A chosen drive that is not there: the build is refused and the dialog says which drive.
  WorkFolder work("Q:");
  const std::vector<std::string> told = RunFirstBuild(&work);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind(kIndexNotBuiltText, 0), 0u) << told[0];
  EXPECT_NE(told[0].find("Q:"), std::string::npos) << told[0];
  EXPECT_FALSE(PathExists(work.Live()));
}

}  // namespace
}  // namespace sorvik
