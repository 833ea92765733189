#include "index/index_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "index/index_reader.h"
#include "index/name_keys.h"
#include "testing/name_generator.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Records a build's diagnostic lines; the per-cell merge lines are only counted.
struct LogRecord {
  std::vector<std::string> lines;
  size_t cell_lines = 0;
  std::string first_cell;
  char last_cell[64] = {};
  BuildLog Sink() {
    return [this](const char* line) {
      static const char kCell[] = "合并矩阵";
      if (std::strncmp(line, kCell, sizeof kCell - 1) != 0) {
        lines.push_back(line);
        return;
      }
      if (cell_lines++ == 0) first_cell = line;
      std::strncpy(last_cell, line, sizeof last_cell - 1);
    };
  }
  size_t Count(const std::string& line) const {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
  }
};

std::string Folder(const TempFolder& folder) { return folder.Path() + "\\"; }

// Fills db.txt of `folder` with one record per name and builds the name index there.
bool BuildNames(const TempFolder& folder, const std::vector<std::string>& names, uint32_t chunk,
                BuildLog log = BuildLog(), uint32_t window = 64u << 20) {
  RecordStore store;
  if (!store.Open(folder.Join("db.txt"))) return false;
  for (const std::string& name : names) store.Append("I:" + name + "\nM:5\nD:C:\nS:0\n");
  IndexBuilder builder;
  builder.SetWorkFolder(Folder(folder));
  builder.SetRecordSource(&store);
  builder.SetChunkNames(chunk);
  builder.SetFillWindow(window);
  builder.SetLog(log);
  return builder.Build();
}

// What a build leaves in its folder beside the record store.
const std::set<std::string> kBuiltFiles = {"db.txt",    "db.txt.mai", "index.mtr",
                                           "index.dat", "index.pym",  "index.pyd"};

std::set<std::string> FolderFiles(const TempFolder& folder) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    files.insert(entry.path().filename().string());
  }
  return files;
}

using Model = std::map<uint32_t, std::map<uint32_t, std::vector<uint32_t>>>;

// The posting lists computed from the names themselves: key -> position -> ids.
Model BruteForce(const std::vector<std::string>& names) {
  Model model;
  for (uint32_t id = 1; id <= names.size(); ++id) {
    const std::string& name = names[id - 1];
    std::vector<uint32_t> keys =
        TokenizeName(name, static_cast<uint32_t>(std::min<size_t>(name.size(), 128)));
    for (uint32_t i = 0; i < keys.size() && i < 128; ++i) model[keys[i]][i + 1].push_back(id);
  }
  return model;
}

void ExpectIndexMatches(const TempFolder& folder, const std::vector<std::string>& names) {
  Model model = BruteForce(names);
  IndexReader reader;
  ASSERT_TRUE(reader.Open(Folder(folder) + "index.mtr", Folder(folder) + "index.dat"));
  EXPECT_EQ(reader.Version(), 100u);
  EXPECT_EQ(reader.NameCount(), names.size());
  const uint32_t n = static_cast<uint32_t>(names.size());
  for (uint32_t key = 0; key < 65536; ++key) {
    auto it = model.find(key);
    if (it == model.end()) {
      ASSERT_EQ(reader.Lookup(key, 0).value, 0u) << key;
      for (int b = 0; b < 16; ++b) ASSERT_EQ(reader.Bits(key)[b], 0) << key;
      continue;
    }
    const auto& lists = it->second;
    std::vector<uint32_t> all;
    for (uint32_t p = 1; p <= 128; ++p) {
      bool present = lists.count(p) > 0;
      ASSERT_EQ((reader.Bits(key)[(p - 1) / 8] >> ((p - 1) % 8)) & 1, present ? 1 : 0);
      if (!present) {
        ASSERT_EQ(reader.Lookup(key, p).value, 0u);
        continue;
      }
      PostingRange range;
      ASSERT_TRUE(reader.ReadRange(key, p, p, &range)) << key << " " << p;
      ASSERT_EQ(range.Ids(), lists.at(p)) << key << " " << p;
      all.insert(all.end(), lists.at(p).begin(), lists.at(p).end());
    }
    // The whole key's range, read in one piece, holds every list at its place.
    PostingRange range;
    ASSERT_TRUE(reader.ReadRange(key, lists.begin()->first, lists.rbegin()->first, &range));
    EXPECT_EQ(range.Ids(), all);
    std::vector<uint8_t> bits((n + 7) / 8, 0);
    ASSERT_EQ(reader.ReadPostings(key, bits.data(), n), 1);
    for (uint32_t id : all) ASSERT_TRUE(bits[(id - 1) / 8] & (1u << ((id - 1) % 8)));
  }
}

uint64_t ListBytes(const std::vector<std::string>& names) {
  uint64_t ids = 0;
  for (const auto& key : BruteForce(names)) {
    for (const auto& list : key.second) ids += list.second.size();
  }
  return ids * 4;
}

std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> bytes;
  for (uint32_t v : values) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return bytes;
}

// A key block with a summary cell (position 0) and one positional cell of `ids` ids.
void AppendBlock(std::vector<uint8_t>* mtr, uint32_t key, uint32_t offset, uint8_t position,
                 uint32_t ids) {
  auto put = [mtr](const std::vector<uint8_t>& bytes) {
    mtr->insert(mtr->end(), bytes.begin(), bytes.end());
  };
  put(U32s({(2u << 16) | key}));
  put({0});
  put(U32s({offset, 4 * ids}));
  put({position});
  put(U32s({offset, ids}));
}

TEST(IndexBuilder, ExactBytesOfATinyIndex) {
  TempFolder folder;
  // ab, abc, a one-letter name and U+4E2D followed by "a".
  ASSERT_TRUE(BuildNames(folder,
                         {"ab", "abc", "A",
                          "\xD6\xD0"
                          "a"},
                         3000000));
  std::vector<uint8_t> mtr = U32s({100, 4});
  mtr.resize(1048584, 0);
  mtr[8 + 0x0102 * 16] = 0x01;
  mtr[8 + 0x0203 * 16] = 0x02;
  mtr[8 + 0xD001 * 16] = 0x02;
  mtr[8 + 0xD6D0 * 16] = 0x01;
  AppendBlock(&mtr, 0x0102, 0, 1, 2);
  AppendBlock(&mtr, 0x0203, 8, 2, 1);
  AppendBlock(&mtr, 0xD001, 12, 2, 1);
  AppendBlock(&mtr, 0xD6D0, 16, 1, 1);
  EXPECT_EQ(ReadBytes(folder.Join("index.mtr")), mtr);
  EXPECT_EQ(ReadBytes(folder.Join("index.dat")), U32s({1, 2, 2, 4, 4, 0, 0, 0, 0}));
  // Only the record store, the name index and the initials index are left in the folder.
  EXPECT_EQ(FolderFiles(folder), kBuiltFiles);
}

TEST(IndexBuilder, ChunkBoundariesAndMessages) {
  // A chunk of 5 names stands in for 3,000,000.
  {
    // Exactly one chunk: built inside the loop, used as it is, no merge.
    TempFolder folder;
    LogRecord log;
    std::vector<std::string> names = testing::MixedNames(5, 1);
    ASSERT_TRUE(BuildNames(folder, names, 5, log.Sink()));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(log.cell_lines, 0u);
    ExpectIndexMatches(folder, names);
  }
  {
    // One name more: the second chunk holds one name and is merged at the end.
    TempFolder folder;
    LogRecord log;
    std::vector<std::string> names = testing::MixedNames(6, 2);
    ASSERT_TRUE(BuildNames(folder, names, 5, log.Sink()));
    EXPECT_EQ(log.lines, std::vector<std::string>({"正在执行合并....\n", "正在合并位图...\n"}));
    EXPECT_EQ(log.cell_lines, 65536u * 128u);
    EXPECT_EQ(log.first_cell, "合并矩阵1--1\n");
    EXPECT_STREQ(log.last_cell, "合并矩阵65536--128\n");
    ExpectIndexMatches(folder, names);
  }
  {
    // Two full chunks and one more name: one merge inside the loop, one at the end.
    TempFolder folder;
    LogRecord log;
    std::vector<std::string> names = testing::MixedNames(11, 3);
    ASSERT_TRUE(BuildNames(folder, names, 5, log.Sink()));
    EXPECT_EQ(log.Count("正在合并....\n"), 1u);
    EXPECT_EQ(log.Count("正在执行合并....\n"), 1u);
    EXPECT_EQ(log.Count("正在合并位图...\n"), 2u);
    ExpectIndexMatches(folder, names);
    EXPECT_EQ(FolderFiles(folder), kBuiltFiles);
  }
}

TEST(IndexBuilder, ChunkedBuildsEqualOneChunk) {
  std::vector<std::string> names = testing::MixedNames(90, 7);
  names.push_back("x");  // one character: counted, no keys
  TempFolder whole, chunked, windowed;
  ASSERT_TRUE(BuildNames(whole, names, 3000000));
  ASSERT_TRUE(BuildNames(chunked, names, 7));
  ASSERT_TRUE(BuildNames(windowed, names, 3000000, BuildLog(), 60));
  ExpectIndexMatches(whole, names);
  std::vector<uint8_t> mtr = ReadBytes(whole.Join("index.mtr"));
  std::vector<uint8_t> dat = ReadBytes(whole.Join("index.dat"));
  // Filling the lists in many small windows gives the same bytes.
  EXPECT_EQ(ReadBytes(windowed.Join("index.mtr")), mtr);
  EXPECT_EQ(ReadBytes(windowed.Join("index.dat")), dat);
  // Merged chunks give the same bytes as one chunk: the lists, then 16 zero bytes.
  ASSERT_EQ(dat.size(), ListBytes(names) + 16);
  EXPECT_EQ(ReadBytes(chunked.Join("index.mtr")), mtr);
  EXPECT_EQ(ReadBytes(chunked.Join("index.dat")), dat);
}

TEST(IndexBuilder, EmptyRunsAndMissingWorkFolder) {
  {
    // No record at all: an empty, valid pair.
    TempFolder folder;
    ASSERT_TRUE(BuildNames(folder, {}, 5));
    EXPECT_EQ(ReadBytes(folder.Join("index.mtr")), U32s({100, 0}));
    EXPECT_TRUE(std::filesystem::exists(folder.Join("index.dat")));
    EXPECT_TRUE(ReadBytes(folder.Join("index.dat")).empty());
    EXPECT_EQ(FolderFiles(folder), kBuiltFiles);
  }
  {
    // Without a work folder nothing is built.
    LogRecord log;
    IndexBuilder builder;
    builder.SetLog(log.Sink());
    EXPECT_FALSE(builder.Build());
    EXPECT_EQ(log.lines, std::vector<std::string>({"not set work direction\n"}));
  }
}

TEST(IndexBuilder, RecordNameFollowsRecordParsing) {
  for (const char* text : {"I:Windows\nM:1\nD:C:\nS:-1\n", "M:1\nI:a:b\n", "I:first\nI:second\n",
                           "I:kept\n\nI:after-empty\n", "II:x\n:y\nI\n", "I:\n", ""}) {
    EntryRecord record;
    ParseRecordText(text, static_cast<uint32_t>(strlen(text)), &record);
    const char* name = nullptr;
    uint32_t length = 0;
    RecordName(text, static_cast<uint32_t>(strlen(text)), &name, &length);
    EXPECT_EQ(std::string(name, length), record.Name()) << text;
  }
}

TEST(IndexBuilder, DamagedIndexFilesNeverCrashTheReader) {
  TempFolder folder;
  std::vector<std::string> names = testing::MixedNames(60, 11);
  ASSERT_TRUE(BuildNames(folder, names, 3000000));
  const std::string mtr_path = folder.Join("index.mtr"), dat_path = folder.Join("index.dat");
  const std::vector<uint8_t> mtr = ReadBytes(mtr_path), dat = ReadBytes(dat_path);
  std::vector<uint32_t> keys;
  for (const auto& key : BruteForce(names)) keys.push_back(key.first);
  std::mt19937 rng(5);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  const size_t blocks = 1048584;
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> bad_mtr = mtr, bad_dat = dat;
    switch (round % 4) {
      case 0:  // truncated matrix, mostly inside the key blocks
        bad_mtr.resize(round % 8 == 0 ? pick(blocks + 8) : blocks + pick(mtr.size() - blocks));
        break;
      case 1:  // flipped bytes in the key blocks
        for (int i = 0; i < 4; ++i) bad_mtr[blocks + pick(mtr.size() - blocks)] ^= 1 + pick(255);
        break;
      case 2:  // truncated posting file
        bad_dat.resize(pick(dat.size()));
        break;
      default:  // flipped header words: version, name count, first block header
        bad_mtr[pick(8)] ^= 0xFF;
        bad_mtr[blocks + pick(4)] ^= 1 + pick(255);
        break;
    }
    WriteBytes(mtr_path, bad_mtr);
    WriteBytes(dat_path, bad_dat);
    IndexReader reader;
    ASSERT_TRUE(reader.Open(mtr_path, dat_path));
    std::vector<uint8_t> bits((names.size() + 7) / 8, 0);
    for (uint32_t key : keys) {
      reader.ReadPostings(key, bits.data(), static_cast<uint32_t>(names.size()));
      PostingRange range;
      if (reader.ReadRange(key, 1, 1 + pick(128), &range)) {
        uint32_t count = 0;
        for (uint32_t p = 0; p <= 129; ++p) {
          const uint32_t* list = range.List(p, &count);
          for (uint32_t i = 0; i < count; ++i) (void)list[i];
        }
      }
    }
  }
}

}  // namespace
}  // namespace sorvik
