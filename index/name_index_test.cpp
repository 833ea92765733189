#include "index/name_index.h"

#include <gtest/gtest.h>

#include "index/index_reader.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::TempFolder;
using testing::WriteText;

std::vector<uint32_t> List(IndexReader* reader, uint32_t key, uint32_t position) {
  PostingRange range;
  if (!reader->ReadRange(key, position, position, &range)) return {};
  return range.Ids();
}

TEST(NameIndex, TextLinesAndTheirNames) {
  TempFolder folder;
  std::string work = folder.Path() + "\\";
  std::string text = work + "tem_db.txt";
  // Used: 1 "ab", 2 (empty name), 3 "abc", 4 "x" (one character), 6 "a@b" (only the first
  // "@" splits). Skipped: a line without "@", and "5@" at the end with nothing after it.
  WriteText(text, "1@ab\r\nno at sign\r\n2@\r\n3@abc\r\n4@x\r\n6@a@b\r\n5@");
  std::unique_ptr<NameIndex> index = BuildNameIndex(text, work, {64u << 20, BuildLog()});
  ASSERT_TRUE(index);
  std::string matrix = index->MatrixPath(), postings = index->PostingPath();
  EXPECT_EQ(index->Matrix().NameCount(), 5u);
  index.reset();
  IndexReader reader;
  ASSERT_TRUE(reader.Open(matrix, postings));
  EXPECT_EQ(List(&reader, 0x0102, 1), std::vector<uint32_t>({1, 3}));
  EXPECT_EQ(List(&reader, 0x0203, 2), std::vector<uint32_t>({3}));
  EXPECT_EQ(List(&reader, 0x0140, 1), std::vector<uint32_t>({6}));
  EXPECT_EQ(List(&reader, 0x4002, 2), std::vector<uint32_t>({6}));
  // The carriage return is not part of a name: "ab" has no key into it.
  EXPECT_EQ(reader.Lookup(0x020D, 2).value, 0u);
}

}  // namespace
}  // namespace sorvik
