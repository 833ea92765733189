#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "index/snapshot_walker.h"
#include "platform/find.h"
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
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    walker->WalkRoot("D:");
    EXPECT_EQ(walker->EntriesSeen(), 1003u);  // folder1, then ".", ".." and its 1000 files
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
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("D:"), 1u);
  }
  Snapshot snap(build.Path());
  ASSERT_EQ(snap.Count(), 1u);
  EXPECT_EQ(snap.Record(1).Name(), "keep.txt");
  EXPECT_EQ(snap.rw.size(), 3002u);  // one month code only
}

// Makes a folder (a path ending in a backslash) or an empty file by its UTF-16 path.
bool MakeWide(const std::wstring& path) {
  if (path.back() == L'\\')
    return CreateDirectoryW(path.substr(0, path.size() - 1).c_str(), nullptr);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Walks a tree of wide names; with `short_names` off, as on a volume that keeps none.
void WalkFoldersWhoseAnsiNamesLostCharacters(bool short_names) {
  IgnoreShortNames(!short_names);
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  const std::wstring korean = L"\xD55C\xAD6D\xC5B4", han = L"\xD55C", guk = L"\xAD6D";
  const std::wstring emoji = L"\xD83D\xDE00", chinese = L"\x4E2D\x6587";
  const std::vector<std::wstring> tree = {
      L"D:\\" + han + L"_dir\\",
      L"D:\\" + han + L"_dir\\a.txt",
      L"D:\\" + guk + L"_dir\\",
      L"D:\\" + guk + L"_dir\\b.txt",
      L"D:\\" + guk + L"_dir\\b2.txt",
      L"D:\\" + korean + L"_dir\\",
      L"D:\\" + korean + L"_dir\\one.txt",
      L"D:\\" + korean + L"_dir\\" + emoji + L"_dir\\",
      L"D:\\" + korean + L"_dir\\" + emoji + L"_dir\\deep.txt",
      L"D:\\" + korean + L"_dir\\" + emoji + L"_dir\\" + han + L".txt",
      L"D:\\" + korean + L"_dir\\" + chinese + L"\\",
      L"D:\\" + korean + L"_dir\\" + chinese + L"\\" + chinese + L".doc",
  };
  for (const std::wstring& path : tree) ASSERT_TRUE(MakeWide(path));
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("D:"), tree.size());
  }
  Snapshot snap(build.Path());
  std::multiset<std::string> paths;
  for (uint32_t id = 1; id <= snap.Count(); ++id) paths.insert(snap.FullPath(id));
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
  const std::multiset<std::string> expected = {
      "D:\\?_dir",
      "D:\\?_dir",
      "D:\\?_dir\\a.txt",
      "D:\\?_dir\\b.txt",
      "D:\\?_dir\\b2.txt",
      "D:\\???_dir",
      "D:\\???_dir\\one.txt",
      "D:\\???_dir\\??_dir",
      "D:\\???_dir\\??_dir\\deep.txt",
      "D:\\???_dir\\??_dir\\?.txt",
      "D:\\???_dir\\" + gbk,
      "D:\\???_dir\\" + gbk + "\\" + gbk + ".doc",
  };
  EXPECT_EQ(paths, expected);
  // Each folder's id range holds entries of its own path only: the two "?_dir" folders hold
  // one and two entries, never a mix.
  std::multiset<uint32_t> counts;
  for (uint32_t r = 2; r <= snap.FolderCount(); ++r) {
    const FolderRecord folder = snap.Folder(r);
    const std::string path = snap.FullPath(folder.entry);
    if (path == "D:\\?_dir") counts.insert(folder.count);
    for (uint32_t id = folder.entry + 1; id <= folder.entry + folder.count; ++id) {
      EXPECT_EQ(snap.FullPath(id).compare(0, path.size() + 1, path + "\\"), 0) << snap.FullPath(id);
    }
  }
  EXPECT_EQ(counts, (std::multiset<uint32_t>{1, 2}));
  IgnoreShortNames(false);
}

TEST(SnapshotWalkerWin32, EverythingBelowFoldersWhoseAnsiNamesLostCharactersIsIndexed) {
  {
    SCOPED_TRACE("through the short names");
    WalkFoldersWhoseAnsiNamesLostCharacters(true);
  }
  {
    SCOPED_TRACE("through the wide names");
    WalkFoldersWhoseAnsiNamesLostCharacters(false);
  }
  IgnoreShortNames(false);
}

}  // namespace
}  // namespace sorvik
