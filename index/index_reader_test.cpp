#include "index/index_reader.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> bytes;
  for (uint32_t v : values) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

// Key 7: position 1 holds ids {2, 5}, position 3 holds {5, 9}; key 8: a summary cell whose
// region runs past the end of index.dat; key 9: a summary length that is not a multiple of 4;
// key 10: a list beyond index.dat.
void WriteSmallIndex(const std::string& matrix_path, const std::string& posting_path) {
  {
    KeyMatrix matrix;
    ASSERT_TRUE(matrix.Open(matrix_path));
    matrix.SetCell(7, 0, 0, 16);
    matrix.SetCell(7, 1, 0, 2);
    matrix.SetCell(7, 3, 8, 2);
    matrix.SetCell(8, 0, 16, 400);
    matrix.SetCell(9, 0, 0, 6);
    matrix.SetCell(10, 1, 12, 100);
    matrix.Bits(7)[0] = 0x05;
    matrix.SetNameCount(9);
  }
  WriteBytes(posting_path, U32s({2, 5, 5, 9, 0, 0, 0, 0}));
}

std::vector<uint32_t> Marked(const std::vector<uint8_t>& bits) {
  std::vector<uint32_t> ids;
  for (uint32_t k = 1; k <= bits.size() * 8; ++k) {
    if (bits[(k - 1) / 8] & (1u << ((k - 1) % 8))) ids.push_back(k);
  }
  return ids;
}

TEST(IndexReader, PostingsAndRanges) {
  TempFolder folder;
  std::string matrix_path = folder.Join("index.mtr"), posting_path = folder.Join("index.dat");
  WriteSmallIndex(matrix_path, posting_path);
  IndexReader reader;
  ASSERT_TRUE(reader.Open(matrix_path, posting_path));
  EXPECT_EQ(reader.NameCount(), 9u);
  EXPECT_EQ(reader.Version(), 100u);
  EXPECT_EQ(reader.Bits(7)[0], 0x05);
  {
    // The whole region of a key marks each id once, whatever position it came from.
    std::vector<uint8_t> bits(2, 0);
    EXPECT_EQ(reader.ReadPostings(7, bits.data(), 9), 1);
    EXPECT_EQ(Marked(bits), std::vector<uint32_t>({2, 5, 9}));
  }
  {
    // Ids beyond the entry count are ignored.
    std::vector<uint8_t> bits(1, 0);
    EXPECT_EQ(reader.ReadPostings(7, bits.data(), 8), 1);
    EXPECT_EQ(Marked(bits), std::vector<uint32_t>({2, 5}));
  }
  {
    // No postings, a region past the end, a length not a multiple of 4: nothing is read.
    std::vector<uint8_t> bits(2, 0);
    EXPECT_EQ(reader.ReadPostings(1234, bits.data(), 9), 0);
    EXPECT_EQ(reader.ReadPostings(8, bits.data(), 9), 0);
    EXPECT_EQ(reader.ReadPostings(9, bits.data(), 9), 0);
    EXPECT_TRUE(Marked(bits).empty());
  }
  {
    // Positions 1..3 in one read; each list found inside it.
    PostingRange range;
    ASSERT_TRUE(reader.ReadRange(7, 1, 3, &range));
    EXPECT_EQ(range.Ids(), std::vector<uint32_t>({2, 5, 5, 9}));
    uint32_t count = 0;
    const uint32_t* list = range.List(3, &count);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(list[0], 5u);
    EXPECT_EQ(list[1], 9u);
    EXPECT_EQ(range.List(2, &count), nullptr);
    EXPECT_EQ(count, 0u);
  }
  {
    // A list beyond index.dat reads as absent, and so does a range ending in it.
    EXPECT_EQ(reader.Lookup(10, 1).value, 0u);
    PostingRange range;
    EXPECT_FALSE(reader.ReadRange(10, 1, 1, &range));
    EXPECT_FALSE(reader.ReadRange(7, 3, 1, &range));
    EXPECT_FALSE(reader.ReadRange(7, 1, 2, &range));
  }
  {
    // Without index.dat nothing is read.
    IndexReader bare;
    ASSERT_TRUE(bare.Open(matrix_path, folder.Join("missing.dat")));
    std::vector<uint8_t> bits(2, 0);
    EXPECT_EQ(bare.ReadPostings(7, bits.data(), 9), 0);
    PostingRange range;
    EXPECT_FALSE(bare.ReadRange(7, 1, 3, &range));
  }
}

// The check of a whole matrix at load names the lowest position at fault of the first key that
// has one: a marked position without a cell, a cell at an unmarked position, a summary missing
// beside stored cells, or a marked cell whose list lies beyond the posting file.
TEST(IndexReader, ConsistentNamesTheFirstFaultOfAKey) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint32_t, MatrixCell>> cells;  // key 7: position, cell (later wins)
    uint8_t bits;                                        // key 7's first bitmap byte
    const char* problem;                                 // empty: consistent
  };
  const Case cases[] = {
      {"whole", {{0, {0, 16}}, {1, {0, 2}}, {3, {8, 2}}}, 0x05, ""},
      {"a mark without a cell",
       {{0, {0, 16}}, {1, {0, 2}}, {3, {8, 2}}},
       0x07,
       "key 7 at position 2 does not match its position bitmap"},
      {"a cell without a mark",
       {{0, {0, 16}}, {1, {0, 2}}, {3, {8, 2}}, {5, {0, 1}}},
       0x05,
       "key 7 at position 5 does not match its position bitmap"},
      {"no summary",
       {{1, {0, 2}}, {3, {8, 2}}},
       0x05,
       "key 7 at position 0 does not match its position bitmap"},
      {"marks without any cell",
       {},
       0x05,
       "key 7 at position 1 does not match its position bitmap"},
      {"a list past the file",
       {{0, {0, 16}}, {1, {0, 2}}, {3, {400, 2}}},
       0x05,
       "key 7 at position 3 lists ids beyond the posting file"},
      {"the lower fault first",
       {{0, {0, 16}}, {1, {400, 2}}, {2, {0, 1}}, {3, {8, 2}}},
       0x05,
       "key 7 at position 1 lists ids beyond the posting file"},
      {"a later empty cell removes one",
       {{0, {0, 16}}, {1, {0, 2}}, {3, {8, 2}}, {3, {0, 0}}},
       0x05,
       "key 7 at position 3 does not match its position bitmap"},
  };
  for (const Case& test : cases) {
    TempFolder folder;
    const std::string matrix_path = folder.Join("index.mtr");
    const std::string posting_path = folder.Join("index.dat");
    {
      KeyMatrix matrix;
      ASSERT_TRUE(matrix.Open(matrix_path));
      for (const auto& cell : test.cells) {
        matrix.SetCell(7, cell.first, cell.second.offset, cell.second.value);
      }
      matrix.Bits(7)[0] = test.bits;
      matrix.SetNameCount(9);
    }
    WriteBytes(posting_path, U32s({2, 5, 5, 9, 0, 0, 0, 0}));
    IndexReader reader;
    ASSERT_TRUE(reader.Open(matrix_path, posting_path));
    std::string problem;
    EXPECT_EQ(reader.Consistent(&problem), std::string(test.problem).empty()) << test.what;
    EXPECT_EQ(problem, test.problem) << test.what;

    // Loaded for searching, the key is checked when first read: every read of a key at fault
    // gives nothing and marks the read failed; another key reads as before.
    IndexReader lazy;
    ASSERT_TRUE(lazy.Open(matrix_path, posting_path));
    EXPECT_TRUE(lazy.Usable(&problem)) << test.what;
    EXPECT_EQ(lazy.Lookup(8, 1).value, 0u);
    EXPECT_FALSE(lazy.TakeFailedRead()) << test.what;
    EXPECT_TRUE(lazy.Damage().empty()) << test.what;
    const bool whole = std::string(test.problem).empty();
    EXPECT_EQ(lazy.Lookup(7, 1).value, whole ? 2u : 0u) << test.what;
    EXPECT_EQ(lazy.TakeFailedRead(), !whole) << test.what;
    EXPECT_EQ(lazy.Bits(7)[0], whole ? test.bits : 0) << test.what;
    PostingRange range;
    EXPECT_EQ(lazy.ReadRange(7, 1, 3, &range), whole) << test.what;
    MatrixCell cells[names::kPositionSlots];
    lazy.KeyCells(7, cells);
    EXPECT_EQ(cells[3].value, whole ? 2u : 0u) << test.what;
    EXPECT_EQ(lazy.TakeFailedRead(), !whole) << test.what;
    EXPECT_EQ(lazy.Damage(), test.problem) << test.what;
  }
}

}  // namespace
}  // namespace sorvik
