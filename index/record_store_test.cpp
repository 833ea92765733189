#include "index/record_store.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;

std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> bytes;
  for (uint32_t v : values) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

const char kFolderText[] = "I:Windows\nM:4a1b2c3d\nD:C:\nS:-1\n";
const char kFileText[] = "I:\xD6\xD0\xCE\xC4.txt\nM:7d0\nD:1\nS:0\n";
const char kRootFileText[] = "I:a.b\nM:5\nD:C:\nS:12a05f200\n";

TEST(RecordStore, FreshStoreAndByteExactAppends) {
  TempFolder folder;
  std::string path = folder.Join("db.txt");
  {
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    // A fresh store is an 8-byte header (1, 8) and an empty offset file.
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(ReadBytes(path), U32s({1, 8}));
    EXPECT_EQ(store.Append(kFolderText), 1u);
    EXPECT_EQ(store.Append(kFileText), 2u);
    EXPECT_EQ(store.Append(kRootFileText), 3u);
    EXPECT_EQ(store.Count(), 3u);
  }
  // Closing writes the header; the texts follow it back to back.
  const uint32_t l1 = 31, l2 = 25, l3 = 27;  // lengths of the three texts
  ASSERT_EQ(strlen(kFolderText) + strlen(kFileText) + strlen(kRootFileText), l1 + l2 + l3);
  std::vector<uint8_t> expected = U32s({4, 8 + l1 + l2 + l3});
  for (const char* text : {kFolderText, kFileText, kRootFileText}) {
    expected.insert(expected.end(), text, text + strlen(text));
  }
  EXPECT_EQ(ReadBytes(path), expected);
  EXPECT_EQ(ReadBytes(path + ".mai"), U32s({8, 8 + l1, 8 + l1 + l2}));
}

TEST(RecordStore, ReadsRecordsBackAfterReopen) {
  TempFolder folder;
  std::string path = folder.Join("db.txt");
  {
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    store.Append(kFolderText);
    store.Append("I:Program Files\nM:1\nD:C:\\Program Files\nS:-1\n");
    store.Append("x\n:y\nI:first\nI:second\nJ\n\nI:after-empty\n");
  }
  RecordStore store;
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(store.Count(), 3u);
  EntryRecord record;
  // Only the first ":" splits a line.
  ASSERT_TRUE(store.Read(2, &record));
  EXPECT_EQ(record.id, 2u);
  EXPECT_EQ(record.Get("D"), "C:\\Program Files");
  EXPECT_EQ(record.Name(), "Program Files");
  EXPECT_EQ(record.Get("Q"), "");
  // The last record reads without a following offset slot; lines without a key are ignored,
  // a repeated key overwrites, and parsing stops at the first empty line.
  ASSERT_TRUE(store.Read(3, &record));
  EXPECT_EQ(record.Name(), "second");
  EXPECT_EQ(record.fields.size(), 1u);
  // Ids 0 and beyond the count fail.
  EXPECT_FALSE(store.Read(0, &record));
  EXPECT_FALSE(store.Read(4, &record));
  // A full scan visits 1..N in order.
  std::vector<std::string> names;
  RecordCursor* cursor = store.Begin();
  while (cursor->Next()) {
    ASSERT_TRUE(cursor->Read(&record));
    names.push_back(record.Name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Windows", "Program Files", "second"}));
  EXPECT_FALSE(cursor->Next());
}

TEST(RecordStore, InterruptedBuildHasNoRecords) {
  TempFolder folder;
  std::string path = folder.Join("db.txt");
  // The header is the commit point: a store whose data was appended but never closed still
  // says 0 records on disk. Simulate by writing a fresh header over appended data.
  {
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    store.Append(kFolderText);
  }
  testing::WriteBytes(path, U32s({1, 8}));
  RecordStore store;
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(store.Count(), 0u);
  EntryRecord record;
  EXPECT_FALSE(store.Read(1, &record));
}

// Damaged files: every read stays inside the buffer and the file, and fails or cuts.
TEST(RecordStore, SurvivesDamagedFiles) {
  TempFolder folder;
  std::string path = folder.Join("db.txt");
  EntryRecord record;
  const std::string text = "I:name\nM:1\nD:C:\nS:0\n";
  auto make = [&](std::vector<uint8_t> header, std::vector<uint8_t> offsets, size_t body) {
    std::vector<uint8_t> data = header;
    for (size_t i = 0; i < body; ++i) data.push_back(static_cast<uint8_t>(text[i % text.size()]));
    testing::WriteBytes(path, data);
    testing::WriteBytes(path + ".mai", offsets);
  };
  {  // truncated header: the store reads as empty or as garbage counts, never crashes
    testing::WriteBytes(path, {1, 0});
    testing::WriteBytes(path + ".mai", {});
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_FALSE(store.Read(1, &record));
  }
  {  // offset past the end of the file: an empty record
    make(U32s({2, 6000}), U32s({5000}), 20);
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    ASSERT_TRUE(store.Read(1, &record));
    EXPECT_EQ(record.Name(), "");
  }
  {  // an end before the start fails
    make(U32s({3, 28}), U32s({20, 10}), 20);
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_FALSE(store.Read(1, &record));
  }
  {  // a record longer than the 1100-byte buffer yields its first 1099 bytes
    make(U32s({2, 8 + 5000}), U32s({8}), 5000);
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    const char* raw = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(store.ReadText(1, &raw, &length));
    EXPECT_EQ(length, 1099u);
    ASSERT_TRUE(store.Read(1, &record));
    EXPECT_EQ(record.Name(), "name");
  }
  {  // a count larger than the offset file: ids without a slot fail
    make(U32s({1000, 28}), U32s({8}), 20);
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Read(1, &record));
    EXPECT_FALSE(store.Read(2, &record));
    EXPECT_FALSE(store.Read(999, &record));
  }
  {  // a header count of 0 (nextId 0) means no records at all
    make(U32s({0, 28}), U32s({8}), 20);
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_FALSE(store.Read(1, &record));
  }
}

TEST(RecordStore, BufferedAppendsWriteTheSameBytes) {
  TempFolder folder;
  const std::string direct = folder.Join("direct.txt"), buffered = folder.Join("buffered.txt");
  RecordStore a, b;
  ASSERT_TRUE(a.Open(direct));
  ASSERT_TRUE(b.Open(buffered));
  b.BufferAppends(64);  // small, so that some appends flush on their own
  for (int i = 0; i < 50; ++i) {
    std::string text = "I:name" + std::to_string(i) + "\nM:1\nD:C:\nS:" + std::to_string(i) + "\n";
    EXPECT_EQ(a.Append(text), b.Append(text));
  }
  // Reads see records still held in memory.
  EntryRecord record;
  ASSERT_TRUE(b.Read(50, &record));
  EXPECT_EQ(record.Get("S"), "49");
  b.Append("I:last\n");
  EXPECT_EQ(b.OffsetSlots(), 51u);
  a.Append("I:last\n");
  a.Close();
  b.Close();
  EXPECT_EQ(ReadBytes(buffered), ReadBytes(direct));
  EXPECT_EQ(ReadBytes(buffered + ".mai"), ReadBytes(direct + ".mai"));
}

}  // namespace
}  // namespace sorvik
