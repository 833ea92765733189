#include "index/key_matrix_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using namespace names;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

void Append(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendCell(std::vector<uint8_t>* bytes, uint8_t position, uint32_t offset, uint32_t value) {
  bytes->push_back(position);
  Append(bytes, offset);
  Append(bytes, value);
}

// The bytes of a matrix with random bitmaps and cells over a few hundred keys.
std::vector<uint8_t> RandomMatrixFile(const std::string& path, uint32_t seed) {
  std::mt19937 random(seed);
  {
    KeyMatrix matrix;
    EXPECT_TRUE(matrix.Open(path));
    for (int i = 0; i < 300; ++i) {
      uint32_t key = random() % (i < 250 ? 600 : kKeyCount);
      matrix.Bits(key)[random() % kBitmapBytes] |= static_cast<uint8_t>(random());
      matrix.SetCell(key, random() % kPositionSlots, random(), random() % 5000);
    }
    matrix.SetNameCount(1 + random() % 100000);
  }
  return ReadBytes(path);
}

// Expects the view on `path` to answer exactly as KeyMatrix::Load of the same file.
void ExpectSameAsLoad(const std::string& path) {
  KeyMatrix loaded;
  ASSERT_TRUE(loaded.Open(path));
  KeyMatrixView view;
  ASSERT_TRUE(view.Open(path));
  EXPECT_EQ(view.Version(), loaded.Version());
  EXPECT_EQ(view.NameCount(), loaded.NameCount());
  MatrixCell cells[kPositionSlots];
  for (uint32_t key = 0; key < kKeyCount; ++key) {
    ASSERT_EQ(std::memcmp(view.Bits(key), loaded.Bits(key), kBitmapBytes), 0) << key;
    view.Cells(key, cells);
    if (loaded.CellCount(key) == 0 && cells[0].value == 0 && cells[1].value == 0) continue;
    for (uint32_t p = 0; p < kPositionSlots; ++p) {
      const MatrixCell want = loaded.Lookup(key, p), got = view.Lookup(key, p);
      ASSERT_EQ(got.offset, want.offset) << key << " " << p;
      ASSERT_EQ(got.value, want.value) << key << " " << p;
      ASSERT_EQ(cells[p].offset, want.offset) << key << " " << p;
      ASSERT_EQ(cells[p].value, want.value) << key << " " << p;
    }
  }
  loaded.Close();
  view.Close();
}

TEST(KeyMatrixView, AnswersAsTheLoadedMatrix) {
  TempFolder folder;
  const std::string path = folder.Join("index.mtr");
  {
    // Random matrices, whole.
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      RandomMatrixFile(path, seed);
      ExpectSameAsLoad(path);
    }
  }
  {
    // The view never writes: the file is byte for byte as before.
    std::vector<uint8_t> bytes = RandomMatrixFile(path, 9);
    KeyMatrixView view;
    ASSERT_TRUE(view.Open(path));
    view.Close();
    EXPECT_EQ(ReadBytes(path), bytes);
  }
  {
    // Opened while another handle has the file open for writing; while it is open, the file
    // can still be opened for reading and writing, as the index's other readers open it.
    RandomMatrixFile(path, 10);
    std::unique_ptr<WinFile> writer = OpenWinFile(path, kOpenExisting);
    ASSERT_TRUE(writer);
    KeyMatrixView view;
    ASSERT_TRUE(view.Open(path));
    EXPECT_EQ(view.Version(), kFormatVersion);
    EXPECT_TRUE(OpenWinFile(path, kOpenExisting));
  }
  {
    // A missing file does not open; an empty one opens as version 0 without names.
    KeyMatrixView view;
    EXPECT_FALSE(view.Open(folder.Join("missing.mtr")));
    EXPECT_EQ(view.Bits(5)[0], 0);
    WriteBytes(path, {});
    ASSERT_TRUE(view.Open(path));
    EXPECT_EQ(view.Version(), 0u);
    EXPECT_EQ(view.Lookup(5, 1).value, 0u);
  }
}

TEST(KeyMatrixView, DamagedFilesReadAsTheLoaderReadsThem) {
  TempFolder folder;
  const std::string path = folder.Join("index.mtr");
  const std::vector<uint8_t> whole = RandomMatrixFile(path, 4);
  {
    // Cut anywhere: in the header, the bitmaps, a block header or a cell.
    for (size_t cut : {size_t{3}, size_t{6}, size_t{9000}, size_t{kKeyBlocksOffset + 2},
                       size_t{kKeyBlocksOffset + 7}, whole.size() - 5, whole.size() - 1}) {
      WriteBytes(path, std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
      ExpectSameAsLoad(path);
    }
  }
  std::vector<uint8_t> head(whole.begin(), whole.begin() + kKeyBlocksOffset);
  {
    // A later block of a key replaces the earlier; positions beyond 128 are dropped; of two
    // cells of one position the last counts; a zero header ends the blocks.
    std::vector<uint8_t> bytes = head;
    Append(&bytes, BlockHeader(7, 2));
    AppendCell(&bytes, 1, 10, 1);
    AppendCell(&bytes, 2, 14, 1);
    Append(&bytes, BlockHeader(7, 4));
    AppendCell(&bytes, 3, 20, 2);
    AppendCell(&bytes, 200, 1, 1);
    AppendCell(&bytes, 3, 28, 3);
    AppendCell(&bytes, 0, 20, 20);
    Append(&bytes, 0);
    Append(&bytes, BlockHeader(9, 1));
    AppendCell(&bytes, 1, 0, 1);
    WriteBytes(path, bytes);
    ExpectSameAsLoad(path);
    KeyMatrixView view;
    ASSERT_TRUE(view.Open(path));
    EXPECT_EQ(view.Lookup(7, 1).value, 0u);
    EXPECT_EQ(view.Lookup(7, 3).offset, 28u);
    EXPECT_EQ(view.Lookup(9, 1).value, 0u);
  }
  {
    // A block claiming more cells than positions, or running past the end, ends the blocks.
    for (uint32_t cells : {kPositionSlots + 1, 5u}) {
      std::vector<uint8_t> bytes = head;
      Append(&bytes, BlockHeader(3, 1));
      AppendCell(&bytes, 1, 0, 1);
      Append(&bytes, BlockHeader(4, cells));
      AppendCell(&bytes, 1, 0, 1);
      WriteBytes(path, bytes);
      ExpectSameAsLoad(path);
    }
  }
}

}  // namespace
}  // namespace sorvik
