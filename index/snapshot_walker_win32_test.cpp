#include <gtest/gtest.h>
#include <windows.h>

#include "index/snapshot_walker.h"
#include "platform/progress.h"
#include "testing/progress_test_support.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using namespace testing;

std::vector<std::string>& g_texts = testing::ReceivedProgressTexts();

TEST(SnapshotWalkerWin32, ProgressTextsReachTheFirstBuildDialog) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  ASSERT_TRUE(CreateFolder("D:\\folder1"));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(MakeFile("D:\\folder1\\" + std::to_string(i)));
  HWND dialog = testing::CreateProgressRecorder();
  ASSERT_NE(dialog, nullptr) << "windows need an X display (run under xvfb-run)";
  g_texts.clear();
  TempFolder build;
  {
    SnapshotWalker walker(build.Path(), 0);
    walker.WalkRoot("D:");
    EXPECT_EQ(walker.EntriesSeen(), 1003u);  // folder1, then ".", ".." and its 1000 files
  }
  // The texts were posted: they arrive when the queue is pumped, after the walk.
  EXPECT_TRUE(g_texts.empty());
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  const std::string walking = std::string("正在获取文件快照：\n") + "D:\\folder1";
  EXPECT_EQ(g_texts, (std::vector<std::string>{"正准备获取文件快照.....\n", walking, walking}));
  DestroyWindow(dialog);
  UnregisterClassA(kProgressWindowClass, GetModuleHandleA(nullptr));
}

TEST(SnapshotWalkerWin32, TemporaryFilesAreLeftOut) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  ASSERT_TRUE(MakeFile("D:\\keep.txt"));
  ASSERT_TRUE(MakeFile("D:\\scratch.tmp"));
  ASSERT_TRUE(SetFileAttributesA("D:\\scratch.tmp", FILE_ATTRIBUTE_TEMPORARY));
  if ((GetFileAttributesA("D:\\scratch.tmp") & FILE_ATTRIBUTE_TEMPORARY) == 0) {
    GTEST_SKIP() << "this file system does not keep FILE_ATTRIBUTE_TEMPORARY (Wine drops it)";
  }
  TempFolder build;
  {
    SnapshotWalker walker(build.Path(), 0);
    EXPECT_EQ(walker.WalkRoot("D:"), 1u);
  }
  Snapshot snap(build.Path());
  ASSERT_EQ(snap.Count(), 1u);
  EXPECT_EQ(snap.Record(1).Name(), "keep.txt");
  EXPECT_EQ(snap.rw.size(), 3002u);  // one month code only
}

}  // namespace
}  // namespace sorvik
