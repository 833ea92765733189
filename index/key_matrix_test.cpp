#include "index/key_matrix.h"

#include <gtest/gtest.h>

#include <cstring>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

void PutU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  if (bytes->size() < at + 4) bytes->resize(at + 4);
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void AppendU32(std::vector<uint8_t>* bytes, uint32_t value) { PutU32(bytes, bytes->size(), value); }

void AppendCell(std::vector<uint8_t>* bytes, uint8_t position, uint32_t offset, uint32_t value) {
  bytes->push_back(position);
  AppendU32(bytes, offset);
  AppendU32(bytes, value);
}

bool SameCell(const MatrixCell& cell, uint32_t offset, uint32_t value) {
  return cell.offset == offset && cell.value == value;
}

TEST(KeyMatrix, NewFileCellsAndLayOut) {
  TempFolder folder;
  std::string path = folder.Join("index.mtr");
  KeyMatrix matrix;
  ASSERT_TRUE(matrix.Open(path));
  // A new matrix file is the 8-byte header: version 100, 0 names.
  std::vector<uint8_t> header;
  AppendU32(&header, 100);
  AppendU32(&header, 0);
  EXPECT_EQ(ReadBytes(path), header);
  EXPECT_EQ(matrix.Version(), 100u);
  // Lookup never inserts; Cell inserts (0, 0).
  EXPECT_TRUE(SameCell(matrix.Lookup(0x4142, 7), 0, 0));
  EXPECT_EQ(matrix.CellCount(0x4142), 0u);
  EXPECT_TRUE(SameCell(matrix.Cell(0x4142, 7), 0, 0));
  EXPECT_EQ(matrix.CellCount(0x4142), 1u);
  // Keys are taken modulo 65536.
  matrix.Bits(0x10005)[3] = 0x40;
  uint8_t bits[16];
  matrix.GetBits(5, bits);
  EXPECT_EQ(bits[3], 0x40);
  // LayOut puts each key's counted lists back to back by position, keys ascending, and adds
  // a summary cell of the key's region.
  matrix.Cell(5, 3).value = 2;
  matrix.Cell(5, 1).value = 1;
  matrix.Cell(2, 128).value = 4;
  EXPECT_EQ(matrix.LayOut(), 28u);
  EXPECT_TRUE(SameCell(matrix.Lookup(2, 128), 0, 0));
  EXPECT_TRUE(SameCell(matrix.Lookup(2, 0), 0, 16));
  EXPECT_TRUE(SameCell(matrix.Lookup(5, 1), 16, 0));
  EXPECT_TRUE(SameCell(matrix.Lookup(5, 3), 20, 0));
  EXPECT_TRUE(SameCell(matrix.Lookup(5, 0), 16, 12));
  // The uncounted cell of 0x4142 takes no room and gets no summary.
  EXPECT_TRUE(SameCell(matrix.Lookup(0x4142, 0), 0, 0));
  // Positions beyond 128 cannot be stored.
  matrix.SetCell(9, 200, 1, 1);
  EXPECT_EQ(matrix.CellCount(9), 0u);
}

TEST(KeyMatrix, SaveLoadAndCloseRule) {
  TempFolder folder;
  std::string path = folder.Join("index.mtr");
  {
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    matrix.SetCell(0xD6D0, 2, 40, 3);
    matrix.SetCell(0xD6D0, 0, 40, 12);
    matrix.SetCell(0x0102, 1, 0, 10);
    matrix.Bits(0xD6D0)[0] = 0x02;
    matrix.SetNameCount(13);
  }
  std::vector<uint8_t> saved = ReadBytes(path);
  // Saved: header, bitmaps, then the key blocks in ascending key order.
  ASSERT_EQ(saved.size(), 1048584u + 4 + 9 + 4 + 18);
  EXPECT_EQ(saved[4], 13);
  EXPECT_EQ(saved[8 + 0xD6D0 * 16], 0x02);
  {
    // Loading gives back the cells; closing a matrix that was only loaded rewrites nothing.
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.NameCount(), 13u);
    EXPECT_TRUE(SameCell(matrix.Lookup(0xD6D0, 2), 40, 3));
    EXPECT_TRUE(SameCell(matrix.Lookup(0xD6D0, 0), 40, 12));
    EXPECT_TRUE(SameCell(matrix.Lookup(0x0102, 1), 0, 10));
    EXPECT_EQ(matrix.Bits(0xD6D0)[0], 0x02);
    matrix.SetCell(0x0102, 1, 99, 99);  // cells alone do not make Close save
  }
  EXPECT_EQ(ReadBytes(path), saved);
  {
    // Bytes after a zero header are not read, and not rewritten by a read-only open either.
    std::vector<uint8_t> tail = saved;
    AppendU32(&tail, 0);
    AppendU32(&tail, 0x00010203);
    WriteBytes(path, tail);
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    EXPECT_EQ(matrix.CellCount(0x0203), 0u);
    matrix.Close();
    EXPECT_EQ(ReadBytes(path), tail);
  }
  {
    // A changed name count saves, and the file ends with the last block.
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(path));
    matrix.SetNameCount(14);
    matrix.Close();
    std::vector<uint8_t> expected = saved;
    expected[4] = 14;
    EXPECT_EQ(ReadBytes(path), expected);
  }
}

// A file with two key blocks that damage tests change: key 0x0102 (2 cells), key 0x0203.
std::vector<uint8_t> TwoBlockFile() {
  std::vector<uint8_t> bytes(1048584, 0);
  PutU32(&bytes, 0, 100);
  PutU32(&bytes, 4, 2);
  AppendU32(&bytes, (2u << 16) | 0x0102);
  AppendCell(&bytes, 0, 0, 8);
  AppendCell(&bytes, 1, 0, 2);
  AppendU32(&bytes, (1u << 16) | 0x0203);
  AppendCell(&bytes, 2, 8, 1);
  return bytes;
}

TEST(KeyMatrix, DamagedFilesLoadWhatIsSound) {
  TempFolder folder;
  std::string path = folder.Join("index.mtr");
  const size_t second_block = 1048584 + 4 + 18;
  auto load = [&](const std::vector<uint8_t>& bytes, KeyMatrix* matrix) {
    WriteBytes(path, bytes);
    ASSERT_TRUE(matrix->Open(path));
  };
  {
    // A file shorter than its header: no names, no cells, and left as it was.
    KeyMatrix matrix;
    load({100, 0, 0}, &matrix);
    EXPECT_EQ(matrix.NameCount(), 0u);
    EXPECT_EQ(matrix.Version(), 0u);
    matrix.Close();
    EXPECT_EQ(ReadBytes(path), std::vector<uint8_t>({100, 0, 0}));
  }
  {
    // Another version is reported as it is.
    std::vector<uint8_t> bytes = TwoBlockFile();
    PutU32(&bytes, 0, 99);
    KeyMatrix matrix;
    load(bytes, &matrix);
    EXPECT_EQ(matrix.Version(), 99u);
  }
  {
    // A block running past the end is dropped; the blocks before it stay.
    std::vector<uint8_t> bytes = TwoBlockFile();
    bytes.resize(bytes.size() - 3);
    KeyMatrix matrix;
    load(bytes, &matrix);
    EXPECT_TRUE(SameCell(matrix.Lookup(0x0102, 1), 0, 2));
    EXPECT_EQ(matrix.CellCount(0x0203), 0u);
  }
  {
    // A block claiming more cells than there are positions ends the loading.
    std::vector<uint8_t> bytes = TwoBlockFile();
    PutU32(&bytes, second_block, (60000u << 16) | 0x0203);
    KeyMatrix matrix;
    load(bytes, &matrix);
    EXPECT_EQ(matrix.CellCount(0x0203), 0u);
    EXPECT_EQ(matrix.CellCount(0x0102), 2u);
  }
  {
    // A cell position beyond 128 is dropped, the rest of its block is kept.
    std::vector<uint8_t> bytes = TwoBlockFile();
    bytes[1048584 + 4] = 200;
    KeyMatrix matrix;
    load(bytes, &matrix);
    EXPECT_EQ(matrix.CellCount(0x0102), 1u);
    EXPECT_EQ(matrix.CellCount(0x0203), 1u);
  }
  {
    // A later block of the same key replaces the earlier one.
    std::vector<uint8_t> bytes = TwoBlockFile();
    AppendU32(&bytes, (1u << 16) | 0x0102);
    AppendCell(&bytes, 5, 4, 4);
    KeyMatrix matrix;
    load(bytes, &matrix);
    EXPECT_EQ(matrix.CellCount(0x0102), 1u);
    EXPECT_TRUE(SameCell(matrix.Lookup(0x0102, 5), 4, 4));
  }
}

}  // namespace
}  // namespace sorvik
