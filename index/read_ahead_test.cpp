#include "index/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "index/record_store.h"
#include "platform/file_faults.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Reads [offset, offset + length) through `ahead` and straight from the file; both must agree.
void ExpectSameRead(ReadAhead* ahead, WinFile* file, uint64_t offset, uint32_t length) {
  std::vector<uint8_t> got(length + 1, 0xEE), want(length + 1, 0xEE);
  const uint32_t n = ahead->Read(file, offset, got.data(), length);
  const uint32_t m = file->ReadAt(offset, want.data(), length);
  ASSERT_EQ(n, m) << offset << " " << length;
  ASSERT_EQ(got, want) << offset << " " << length;
}

TEST(ReadAhead, ReadsWhatTheFileHolds) {
  TempFolder folder;
  const std::string path = folder.Join("data.bin");
  WriteBytes(path, RandomBytes(10000, 1));
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  ASSERT_TRUE(file);
  ReadAhead ahead(1024, 256);
  {
    // A forward scan in small steps, across block ends and over the end of the file.
    for (uint64_t at = 0; at < 10100; at += 37) ExpectSameRead(&ahead, file.get(), at, 50);
  }
  {
    // Steps forward interleaved with reads further back, as an entry and then its folder.
    for (uint64_t at = 5000; at < 9000; at += 90) {
      ExpectSameRead(&ahead, file.get(), at, 60);
      ExpectSameRead(&ahead, file.get(), at / 7, 30);
    }
  }
  {
    // Random reads of every size, some larger than the block, some past the end.
    std::mt19937 random(5);
    for (int i = 0; i < 2000; ++i) {
      uint64_t at = random() % 10500;
      uint32_t length = random() % (i % 10 == 0 ? 3000 : 200);
      ExpectSameRead(&ahead, file.get(), i % 3 == 0 ? at : at % 64 + i * 4, length);
    }
  }
  {
    // After the file is written and the block forgotten, reads see the new bytes.
    ExpectSameRead(&ahead, file.get(), 100, 10);
    ExpectSameRead(&ahead, file.get(), 120, 10);
    std::vector<uint8_t> patch(200, 0x5A);
    file->WriteAt(110, patch.data(), 200);
    ahead.Invalidate();
    ExpectSameRead(&ahead, file.get(), 130, 10);
    ExpectSameRead(&ahead, file.get(), 140, 300);
  }
}

TEST(ReadAhead, RecordStoreScansAndAppends) {
  TempFolder folder;
  const std::string path = folder.Join("db.txt");
  std::vector<std::string> texts;
  std::mt19937 random(3);
  RecordStore store;
  ASSERT_TRUE(store.Open(path));
  for (int i = 0; i < 3000; ++i) {
    texts.push_back("I:name" + std::to_string(i) + std::string(random() % 300, 'x') + "\n\n");
    ASSERT_EQ(store.Append(texts.back()), static_cast<uint32_t>(i + 1));
  }
  const char* text = nullptr;
  uint32_t length = 0;
  {
    // A scan in id order, each step also reading an earlier record, gives every text.
    for (uint32_t id = 1; id <= 3000; ++id) {
      ASSERT_TRUE(store.ReadText(id, &text, &length));
      ASSERT_EQ(std::string(text, length), texts[id - 1]) << id;
      ASSERT_TRUE(store.ReadText(1 + id / 3, &text, &length));
      ASSERT_EQ(std::string(text, length), texts[id / 3]) << id;
    }
  }
  {
    // A record appended after a scan reached the end of the file is read back whole.
    texts.push_back("I:later\n\n");
    ASSERT_EQ(store.Append(texts.back()), 3001u);
    ASSERT_TRUE(store.ReadText(3000, &text, &length));
    ASSERT_TRUE(store.ReadText(3001, &text, &length));
    EXPECT_EQ(std::string(text, length), texts.back());
  }
  store.Close();
  {
    // Reopened, a scan reads the same texts as before.
    RecordStore reopened;
    ASSERT_TRUE(reopened.Open(path));
    for (uint32_t id = 1; id <= reopened.Count(); id += 1 + id % 5) {
      ASSERT_TRUE(reopened.ReadText(id, &text, &length));
      ASSERT_EQ(std::string(text, length), texts[id - 1]) << id;
    }
  }
  {
    // Mapped for reading: the same texts in any order; an append drops the mapping and is
    // read back; the files end up as an unmapped store leaves them.
    RecordStore mapped;
    ASSERT_TRUE(mapped.Open(path));
    ASSERT_TRUE(mapped.MapForReading());
    for (uint32_t id = mapped.Count(); id >= 1; id -= 1 + id % 7) {
      ASSERT_TRUE(mapped.ReadText(id, &text, &length));
      ASSERT_EQ(std::string(text, length), texts[id - 1]) << id;
      if (id <= 8) break;
    }
    EXPECT_FALSE(mapped.ReadText(mapped.Count() + 1, &text, &length));
    texts.push_back("I:after mapping\n\n");
    ASSERT_EQ(mapped.Append(texts.back()), 3002u);
    ASSERT_TRUE(mapped.ReadText(3002, &text, &length));
    EXPECT_EQ(std::string(text, length), texts.back());
    ASSERT_TRUE(mapped.ReadText(3001, &text, &length));
    EXPECT_EQ(std::string(text, length), texts[3000]);
  }
}

// Counts the writes and flushes the file seam is asked for.
class WriteCounter : public FileFaultHook {
 public:
  bool Allow(FileOp op, const std::string&) override {
    if (op == FileOp::kWrite || op == FileOp::kFlush) ++writes;
    return true;
  }
  int writes = 0;
};

TEST(ReadAhead, ReadingAStoreWritesNothing) {
  TempFolder folder;
  const std::string path = folder.Join("db.txt");
  {
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    ASSERT_EQ(store.Append("I:one\n\n"), 1u);
  }
  const std::vector<uint8_t> bytes = testing::ReadBytes(path);
  WriteCounter counter;
  InstallFileFaultHook(&counter);
  {
    // Opened, mapped, read and closed: not one write, so closing flushes nothing.
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    store.MapForReading();
    const char* text = nullptr;
    uint32_t length = 0;
    EXPECT_TRUE(store.ReadText(1, &text, &length));
  }
  InstallFileFaultHook(nullptr);
  EXPECT_EQ(counter.writes, 0);
  EXPECT_EQ(testing::ReadBytes(path), bytes);
  {
    // An append still writes the new header.
    RecordStore store;
    ASSERT_TRUE(store.Open(path));
    ASSERT_EQ(store.Append("I:two\n\n"), 2u);
  }
  RecordStore reopened;
  ASSERT_TRUE(reopened.Open(path));
  EXPECT_EQ(reopened.Count(), 2u);
}

TEST(ReadAhead, MappedReadsStopAtTheEnd) {
  const std::vector<uint8_t> bytes = RandomBytes(300, 9);
  ReadAhead ahead(64, 16);
  ahead.UseMapping(bytes.data(), bytes.size());
  std::vector<uint8_t> out(100, 0);
  {
    // Inside, across the end and past it; no file is touched.
    EXPECT_EQ(ahead.Read(nullptr, 10, out.data(), 100), 100u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 10));
    EXPECT_EQ(ahead.Read(nullptr, 250, out.data(), 100), 50u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 50, bytes.begin() + 250));
    EXPECT_EQ(ahead.Read(nullptr, 300, out.data(), 100), 0u);
    EXPECT_EQ(ahead.Read(nullptr, 1u << 30, out.data(), 100), 0u);
  }
}

}  // namespace
}  // namespace sorvik
