#include "platform/file.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::kSep;
using testing::ReadBytes;
using testing::TempFolder;

TEST(WinFile, OpenDispositions) {
  TempFolder folder;
  std::string path = folder.Join("a.bin");
  // A missing file with OPEN_EXISTING gives null and creates nothing.
  EXPECT_EQ(OpenWinFile(path, kOpenExisting), nullptr);
  EXPECT_FALSE(PathExists(path));
  // OPEN_ALWAYS creates an empty file.
  {
    auto file = OpenWinFile(path, kOpenAlways);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 0u);
  }
  EXPECT_TRUE(PathExists(path));
  // OPEN_ALWAYS keeps existing contents.
  testing::WriteText(path, "abc");
  EXPECT_EQ(OpenWinFile(path, kOpenAlways)->Size(), 3u);
  // A folder is not a file.
  EXPECT_EQ(OpenWinFile(folder.Path(), kOpenExisting), nullptr);
}

TEST(WinFile, ReadsAndWrites) {
  TempFolder folder;
  std::string path = folder.Join("rw.bin");
  auto file = OpenWinFile(path, kOpenAlways);
  ASSERT_NE(file, nullptr);
  // Positioned u32 writes are little-endian and leave a gap of zeros.
  EXPECT_EQ(file->WriteU32At(4, 0x04030201u), 4u);
  EXPECT_EQ(file->Size(), 8u);
  uint8_t bytes[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(file->ReadAt(0, bytes, 8), 8u);
  const uint8_t expected[8] = {0, 0, 0, 0, 1, 2, 3, 4};
  EXPECT_EQ(0, memcmp(bytes, expected, 8));
  // Sequential calls continue from the current position.
  file->Seek(4);
  uint8_t one = 0;
  EXPECT_EQ(file->ReadU8(&one), 1u);
  EXPECT_EQ(one, 1);
  EXPECT_EQ(file->WriteU8(0xAA), 1u);
  uint32_t value = 0;
  file->Seek(4);
  EXPECT_EQ(file->ReadU32(&value), 4u);
  EXPECT_EQ(value, 0x0403AA01u);
  // A sequential read continues after a positioned one, wherever the pointer stood before.
  file->Seek(0);
  EXPECT_EQ(file->ReadAt(4, bytes, 1), 1u);
  EXPECT_EQ(file->ReadU8(&one), 1u);
  EXPECT_EQ(one, 0xAA);
  // Reads beyond the end give 0 and leave the buffer unchanged.
  value = 0x12345678u;
  EXPECT_EQ(file->ReadU32At(100, &value), 0u);
  EXPECT_EQ(value, 0x12345678u);
  // A read that crosses the end gives the bytes that exist.
  EXPECT_EQ(file->ReadAt(6, bytes, 8), 2u);
  // AppendU32 writes at the end whatever the position.
  file->Seek(0);
  EXPECT_TRUE(file->AppendU32(0xDEADBEEFu));
  EXPECT_EQ(file->Size(), 12u);
  EXPECT_EQ(file->ReadU32At(8, &value), 4u);
  EXPECT_EQ(value, 0xDEADBEEFu);
  // WriteU32 at the current position, after the appended value.
  EXPECT_EQ(file->WriteU32(7u), 4u);
  EXPECT_EQ(file->Size(), 16u);
}

TEST(WinFile, SetSizeAndFlushOnDestruction) {
  TempFolder folder;
  std::string path = folder.Join("size.bin");
  {
    auto file = OpenWinFile(path, kOpenAlways);
    file->Write("0123456789", 10);
    // Shorten, then extend with zeros; the pointer ends at the new size.
    EXPECT_TRUE(file->SetSize(4));
    EXPECT_EQ(file->Size(), 4u);
    EXPECT_TRUE(file->SetSize(6));
    EXPECT_EQ(file->Size(), 6u);
    file->Write("xy", 2);
  }
  // Everything written before destruction is in the file afterwards.
  std::vector<uint8_t> bytes = ReadBytes(path);
  std::vector<uint8_t> expected = {'0', '1', '2', '3', 0, 0, 'x', 'y'};
  EXPECT_EQ(bytes, expected);
}

TEST(MappedFile, MapsWholeFileOrNothing) {
  TempFolder folder;
  std::string path = folder.Join("map.bin");
  MappedFile missing;
  EXPECT_FALSE(missing.Map(path, kFlagSequentialScan));
  EXPECT_EQ(missing.Data(), nullptr);

  testing::WriteText(path, "hello map");
  MappedFile mapped;
  ASSERT_TRUE(mapped.Map(path, kFlagSequentialScan));
  ASSERT_NE(mapped.Data(), nullptr);
  EXPECT_EQ(mapped.Size(), 9u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped.Data()), 9), "hello map");
  // Remapping releases the old view first.
  ASSERT_TRUE(mapped.Map(path, 0));
  mapped.Unmap();
  EXPECT_EQ(mapped.Data(), nullptr);
}

TEST(FileSystem, FoldersRenameAndTreeDelete) {
  TempFolder folder;
  std::string a = folder.Join("a");
  std::string b = folder.Join("b");
  EXPECT_TRUE(CreateFolder(a));
  EXPECT_TRUE(CreateFolder(a));  // already there: still true
  EXPECT_TRUE(IsFolder(a));
  testing::WriteText(a + kSep + "x.txt", "x");
  EXPECT_TRUE(CreateFolder(a + kSep + "sub"));
  testing::WriteText(a + kSep + "sub" + kSep + "y.txt", "y");
  // A rename never replaces an existing target.
  EXPECT_TRUE(CreateFolder(b));
  EXPECT_FALSE(RenamePath(a, b));
  EXPECT_TRUE(DeleteFolderTree(b));
  EXPECT_FALSE(PathExists(b));
  EXPECT_TRUE(RenamePath(a, b));
  EXPECT_TRUE(PathExists(b + kSep + "sub" + kSep + "y.txt"));
  // The tree delete removes everything below, and reports a missing folder as a failure.
  EXPECT_TRUE(DeleteFolderTree(b));
  EXPECT_FALSE(PathExists(b));
  EXPECT_FALSE(DeleteFolderTree(b));
  // A path that does not fit the 1000-byte operation buffer is refused, never cut.
  EXPECT_FALSE(DeleteFolderTree(folder.Path() + kSep + std::string(1000, 'n')));
  EXPECT_TRUE(PathExists(folder.Path()));
  // Single files.
  testing::WriteText(a, "file");
  EXPECT_TRUE(RemoveFile(a));
  EXPECT_FALSE(RemoveFile(a));
}

}  // namespace
}  // namespace sorvik
