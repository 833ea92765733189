// The fault seam: what a refused operation does, and which failures the thread's count sees.
#include "platform/file_faults.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/file.h"
#include "platform/fs.h"
#include "testing/fault_injection.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::FailingDisk;
using testing::PathEndsWith;

TEST(FileFaults, RefusedOperationsFailAndWritesAreCounted) {
  testing::TempFolder folder;
  const std::string path = folder.Join("a.bin");
  testing::WriteText(path, "old");
  {  // a refused write writes nothing and is counted; a refused size change too
    const uint32_t before = FailedFileWrites();
    auto file = OpenWinFile(path, kOpenExisting);
    ASSERT_TRUE(file);
    FailingDisk disk;
    disk.full_from = 1;
    EXPECT_EQ(file->WriteAt(0, "new!", 4), 0u);
    EXPECT_FALSE(file->SetSize(0));
    EXPECT_FALSE(file->AppendU32(7));
    file.reset();  // the flush of a written file fails too
    EXPECT_EQ(FailedFileWrites(), before + 4);
    EXPECT_EQ(disk.writes, 3u);
  }
  EXPECT_EQ(testing::ReadText(path), "old");
  {  // a file only read is not flushed: closing it counts nothing, even on a failing disk
    const uint32_t before = FailedFileWrites();
    FailingDisk disk;
    disk.full_from = 1;
    char buffer[3];
    EXPECT_EQ(OpenWinFile(path, kOpenExisting)->ReadAt(0, buffer, 3), 3u);
    EXPECT_EQ(FailedFileWrites(), before);
  }
  {  // the count belongs to the thread that failed
    FailingDisk disk;
    disk.full_from = 1;
    const uint32_t before = FailedFileWrites();
    std::thread other([&] { OpenWinFile(path, kOpenExisting)->WriteAt(0, "x", 1); });
    other.join();
    EXPECT_EQ(FailedFileWrites(), before);
  }
  {  // refused renames, replaces, removals, folders and opens leave everything as it was
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string& p) {
      return op != FileOp::kWrite && PathEndsWith(p, "a.bin");
    };
    EXPECT_FALSE(RenamePath(path, folder.Join("b.bin")));
    EXPECT_FALSE(ReplacePath(path, folder.Join("b.bin")));
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_FALSE(OpenWinFile(path, kOpenExisting));
    disk.refuse = [](FileOp op, const std::string&) { return op == FileOp::kCreateFolder; };
    EXPECT_FALSE(CreateFolder(folder.Join("sub")));
  }
  EXPECT_EQ(testing::ReadText(path), "old");
  EXPECT_FALSE(PathExists(folder.Join("b.bin")));
  EXPECT_FALSE(PathExists(folder.Join("sub")));
  uint64_t size = 0;
  EXPECT_TRUE(FileSizeOf(path, &size));
  EXPECT_EQ(size, 3u);
  EXPECT_FALSE(FileSizeOf(folder.Path(), &size));
}

}  // namespace
}  // namespace sorvik
