#include "index/key_matrix.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

void Append(std::vector<uint8_t>* bytes, std::initializer_list<uint32_t> words) {
  for (uint32_t v : words) {
    for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
}

void AppendCell(std::vector<uint8_t>* bytes, uint8_t position, uint32_t offset, uint32_t value) {
  bytes->push_back(position);
  Append(bytes, {offset, value});
}

TEST(KeyMatrix, NewFileSaveLoadAndCloseRule) {
  TempFolder folder;
  std::string path = folder.Join("index.mtr");
  {
    // A new matrix file is the 8-byte header; Lookup never inserts a cell.
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    std::vector<uint8_t> header;
    Append(&header, {100, 0});
    EXPECT_EQ(ReadBytes(path), header);
    EXPECT_EQ(matrix.Lookup(0x4142, 7).value, 0u);
    EXPECT_EQ(matrix.CellCount(0x4142), 0u);
    matrix.SetCell(0xD6D0, 2, 40, 3);
    matrix.SetCell(0xD6D0, 0, 40, 12);
    matrix.SetCell(0x0102, 1, 0, 10);
    matrix.SetCell(9, 200, 1, 1);    // positions beyond 128 are not stored
    matrix.Bits(0x1D6D0)[0] = 0x02;  // keys are taken modulo 65536
    matrix.SetNameCount(13);
  }
  std::vector<uint8_t> saved = ReadBytes(path);
  ASSERT_EQ(saved.size(), 1048584u + 4 + 9 + 4 + 18);
  EXPECT_EQ(saved[4], 13);
  EXPECT_EQ(saved[8 + 0xD6D0 * 16], 0x02);
  {
    // Loading gives the cells back; closing a matrix that was only loaded rewrites nothing.
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.NameCount(), 13u);
    EXPECT_EQ(matrix.Lookup(0xD6D0, 2).offset, 40u);
    EXPECT_EQ(matrix.Lookup(0xD6D0, 0).value, 12u);
    EXPECT_EQ(matrix.Lookup(0x0102, 1).value, 10u);
    EXPECT_EQ(matrix.CellCount(9), 0u);
    matrix.SetCell(0x0102, 1, 99, 99);  // cells alone do not make Close save
  }
  EXPECT_EQ(ReadBytes(path), saved);
  {
    // Bytes after a zero header are not read, nor rewritten by a read-only open.
    std::vector<uint8_t> tail = saved;
    Append(&tail, {0, 0x00010203});
    WriteBytes(path, tail);
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.CellCount(0x0203), 0u);
    matrix.Close();
    EXPECT_EQ(ReadBytes(path), tail);
  }
  {
    // A changed name count saves, and the file then ends with the last block.
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    matrix.SetNameCount(14);
    matrix.Close();
    saved[4] = 14;
    EXPECT_EQ(ReadBytes(path), saved);
  }
}

TEST(KeyMatrix, DamagedFilesLoadWhatIsSound) {
  TempFolder folder;
  std::string path = folder.Join("index.mtr");
  // Two blocks: key 0x0102 with 2 cells, key 0x0203 with 1.
  std::vector<uint8_t> good(8, 0);
  good[0] = 100;
  good.resize(1048584, 0);
  const size_t second_block = good.size() + 4 + 18;
  Append(&good, {(2u << 16) | 0x0102});
  AppendCell(&good, 0, 0, 8);
  AppendCell(&good, 1, 0, 2);
  Append(&good, {(1u << 16) | 0x0203});
  AppendCell(&good, 2, 8, 1);
  auto load = [&](const std::vector<uint8_t>& bytes, uint32_t cells_1, uint32_t cells_2) {
    WriteBytes(path, bytes);
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.CellCount(0x0102), cells_1);
    EXPECT_EQ(matrix.CellCount(0x0203), cells_2);
  };
  {
    // A file shorter than its header: no names, no version, and left as it was.
    KeyMatrix matrix;
    WriteBytes(path, {100, 0, 0});
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.NameCount(), 0u);
    EXPECT_EQ(matrix.Version(), 0u);
    matrix.Close();
    EXPECT_EQ(ReadBytes(path), std::vector<uint8_t>({100, 0, 0}));
  }
  {
    // Another version is reported as it is.
    std::vector<uint8_t> bytes = good;
    bytes[0] = 99;
    WriteBytes(path, bytes);
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.Version(), 99u);
  }
  // A block running past the end is dropped; the blocks before it stay.
  load(std::vector<uint8_t>(good.begin(), good.end() - 3), 2, 0);
  {
    // A block claiming more cells than there are positions ends the loading.
    std::vector<uint8_t> bytes = good;
    bytes[second_block + 3] = 0xEA;
    load(bytes, 2, 0);
  }
  {
    // A cell position beyond 128 is dropped, the rest of its block is kept.
    std::vector<uint8_t> bytes = good;
    bytes[1048584 + 4] = 200;
    load(bytes, 1, 1);
  }
}

}  // namespace
}  // namespace sorvik
