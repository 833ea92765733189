// The initials index: how names and words are cut into its keys, what a build writes into
// index.pym, index.pyd and index.pyl, and a reader that refuses files that do not fit.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "index/index_builder.h"
#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/initials_reader.h"
#include "platform/fs.h"
#include "testing/name_generator.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

uint32_t Key(char a, char b) { return static_cast<uint8_t>(a) * 256u + static_cast<uint8_t>(b); }

// The (key, position) pairs of a name as "ab@1" texts, in the order given.
std::vector<std::string> KeysOf(const std::string& name) {
  std::vector<KeyAtPosition> keys(initials::kMaxNameKeys);
  const uint32_t count = InitialsKeys(name.data(), name.size(), keys.data());
  std::vector<std::string> texts;
  for (uint32_t i = 0; i < count; ++i) {
    texts.push_back(std::string(1, static_cast<char>(keys[i].key >> 8)) +
                    static_cast<char>(keys[i].key & 0xFF) + "@" + std::to_string(keys[i].position));
  }
  return texts;
}

InitialsPlace PlaceOf(const std::string& name) { return PlaceOfInitials(name.data(), name.size()); }

TEST(InitialsKeys, WhereEachNameIsFound) {
  // Short ASCII names are left to the name keys, however they are spelt.
  EXPECT_EQ(PlaceOf("Report [v2].doc"), InitialsPlace::kNameKeys);
  EXPECT_EQ(PlaceOf(std::string(127, 'a')), InitialsPlace::kNameKeys);
  // A double-byte character, a zero byte or a 128th byte sends a name elsewhere.
  EXPECT_EQ(PlaceOf("报告.doc"), InitialsPlace::kMatrix);
  EXPECT_EQ(PlaceOf("ＢＧ.txt"), InitialsPlace::kMatrix);
  EXPECT_EQ(PlaceOf(std::string("a\0b", 3)), InitialsPlace::kMatrix);
  EXPECT_EQ(PlaceOf(std::string(128, 'a')), InitialsPlace::kLongList);
  // Places, not bytes, count: 100 characters and 27 bytes are 127 places.
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += "长";
  EXPECT_EQ(PlaceOf(chinese + std::string(27, 'x')), InitialsPlace::kMatrix);
  EXPECT_EQ(PlaceOf(chinese + std::string(28, 'x')), InitialsPlace::kLongList);
  // A long name gives each key it holds once, at position 128.
  EXPECT_EQ(KeysOf(chinese + std::string(28, 'x')),
            std::vector<std::string>(
                {"cc@128", "cz@128", "zc@128", "zz@128", "cx@128", "zx@128", "xx@128"}));
  EXPECT_TRUE(KeysOf("plain.txt").empty());
}

TEST(InitialsKeys, PairsOfPlacesWithEveryInitial) {
  EXPECT_EQ(KeysOf("报告"), std::vector<std::string>({"bg@1", "bj@1"}));  // 告: gao, ju
  EXPECT_EQ(KeysOf("长A1"), std::vector<std::string>({"ca@1", "za@1", "a1@2"}));
  EXPECT_EQ(KeysOf("行长"), std::vector<std::string>({"hc@1", "hz@1", "xc@1", "xz@1"}));
  // A character without readings breaks the pairs; its bytes stand for nothing.
  EXPECT_EQ(KeysOf("报Ａ告"), std::vector<std::string>());
  EXPECT_EQ(KeysOf("b报\xA8\x41y"), std::vector<std::string>({"bb@1"}));
  EXPECT_EQ(KeysOf(std::string("报\0g", 3)), std::vector<std::string>());
  // Words: pairs of bytes, letters in lower case; one byte gives no key.
  EXPECT_EQ(InitialsWordKeys("Bg"), std::vector<uint32_t>({Key('b', 'g')}));
  EXPECT_EQ(InitialsWordKeys("g2_"), std::vector<uint32_t>({Key('g', '2'), Key('2', '_')}));
  EXPECT_TRUE(InitialsWordKeys("b").empty());
  EXPECT_TRUE(InitialsWordKeys("报告").empty());
  EXPECT_TRUE(InitialsWordKeys("2019").empty());
}

TEST(InitialsKeys, NoCharacterHasMoreInitialsThanAPairCanHold) {
  for (uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
    for (uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
      const uint32_t mask =
          PinyinInitialsOf(static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
      ASSERT_LE(static_cast<uint32_t>(__builtin_popcount(mask)), initials::kMaxInitials)
          << lead << " " << trail;
      ASSERT_EQ(mask >> 26, 0u);
    }
  }
}

std::string Folder(const TempFolder& folder) { return folder.Path() + "\\"; }

bool Build(const TempFolder& folder, const std::vector<std::string>& names, uint32_t chunk) {
  RecordStore store;
  if (!store.Open(folder.Join("db.txt"))) return false;
  for (const std::string& name : names) store.Append("I:" + name + "\nM:5\nD:C:\nS:0\n");
  IndexBuilder builder;
  builder.SetWorkFolder(Folder(folder));
  builder.SetRecordSource(&store);
  builder.SetChunkNames(chunk);
  builder.SetLog(BuildLog());
  return builder.Build();
}

TEST(InitialsIndex, LongNamesAreListedOnceUnderEveryKeyTheyHold) {
  TempFolder folder;
  const std::string long_ascii = std::string(130, 'q') + ".txt";
  std::string long_mixed = "x";
  for (int i = 0; i < 127; ++i) long_mixed += "长";
  ASSERT_TRUE(Build(folder, {"报告", "ab", long_ascii, "长", long_mixed, "Ｚ"}, 1000));
  InitialsReader reader;
  ASSERT_TRUE(reader.Open(folder.Path(), 6));
  IndexReader* matrix = reader.matrix();
  EXPECT_EQ(matrix->NameCount(), 6u);
  // 报告 at the position of its pair; "ab" is left to the name keys.
  EXPECT_EQ(matrix->Lookup(Key('b', 'g'), 1).value, 1u);
  EXPECT_EQ(matrix->Lookup(Key('b', 'j'), 1).value, 1u);
  EXPECT_EQ(matrix->Lookup(Key('a', 'b'), 0).value, 0u);
  // The long names at position 128 only, once per key however often they hold it.
  std::vector<uint32_t> ids;
  for (uint32_t key : {Key('q', 'q'), Key('q', '.'), Key('t', 'x')}) {
    EXPECT_EQ(matrix->Lookup(key, 0).value, 4u) << key;  // the summary: one id of 4 bytes
    ASSERT_TRUE(matrix->ReadList(matrix->Lookup(key, 128), &ids));
    EXPECT_EQ(ids, std::vector<uint32_t>({3})) << key;
  }
  for (uint32_t key : {Key('c', 'c'), Key('c', 'z'), Key('z', 'c'), Key('z', 'z')}) {
    ASSERT_TRUE(matrix->ReadList(matrix->Lookup(key, 128), &ids));
    EXPECT_EQ(ids, std::vector<uint32_t>({5})) << key;
    EXPECT_EQ(matrix->Lookup(key, 1).value, 0u);
  }
  ASSERT_TRUE(matrix->ReadList(matrix->Lookup(Key('x', 'c'), 128), &ids));
  EXPECT_EQ(ids, std::vector<uint32_t>({5}));
  EXPECT_EQ(matrix->Lookup(Key('c', 'x'), 0).value, 0u);
}

// Every (key, position) list of the initials matrix, read back.
std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> Lists(InitialsReader* reader) {
  std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> lists;
  for (uint32_t key = 1; key < 65536; ++key) {
    MatrixCell cells[names::kPositionSlots];
    reader->matrix()->KeyCells(key, cells);
    for (uint32_t p = 1; p <= names::kMaxPosition; ++p) {
      std::vector<uint32_t> ids;
      if (cells[p].value != 0 && reader->matrix()->ReadList(cells[p], &ids)) lists[{key, p}] = ids;
    }
  }
  return lists;
}

TEST(InitialsIndex, ChunkedBuildsListWhatTheKeysGive) {
  testing::Random random(5);
  std::vector<std::string> names;
  for (uint32_t serial = 0; serial < 400; ++serial) {
    std::string extension;
    names.push_back(testing::RandomName(&random, serial, 250, &extension));
  }
  names.push_back("行长银行");  // polyphonic characters next to each other
  std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> model;
  std::vector<KeyAtPosition> keys(initials::kMaxNameKeys);
  for (uint32_t id = 1; id <= names.size(); ++id) {
    const std::string& name = names[id - 1];
    const uint32_t count = InitialsKeys(name.data(), name.size(), keys.data());
    for (uint32_t i = 0; i < count; ++i) {
      std::vector<uint32_t>& list = model[{keys[i].key, keys[i].position}];
      if (list.empty() || list.back() != id) list.push_back(id);
    }
  }
  ASSERT_FALSE(model.empty());
  for (uint32_t chunk : {1000u, 37u}) {
    TempFolder folder;
    ASSERT_TRUE(Build(folder, names, chunk));
    InitialsReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(), static_cast<uint32_t>(names.size())));
    EXPECT_EQ(Lists(&reader), model) << "chunks of " << chunk;
  }
}

TEST(InitialsIndex, ReaderRefusesFilesThatDoNotFit) {
  TempFolder folder;
  ASSERT_TRUE(Build(folder, {"报告", "ab", "长"}, 1000));
  InitialsReader reader;
  ASSERT_TRUE(reader.Open(folder.Path(), 3));
  reader.Close();
  {  // another number of names than the index has
    EXPECT_FALSE(reader.Open(folder.Path(), 4));
    EXPECT_FALSE(reader.IsOpen());
  }
  const std::vector<uint8_t> matrix = ReadBytes(folder.Join("index.pym"));
  {  // a matrix of another version or of another number of names
    std::vector<uint8_t> other = matrix;
    other[0] = 101;
    WriteBytes(folder.Join("index.pym"), other);
    EXPECT_FALSE(reader.Open(folder.Path(), 3));
    other = matrix;
    other[4] = 9;
    WriteBytes(folder.Join("index.pym"), other);
    EXPECT_FALSE(reader.Open(folder.Path(), 3));
    WriteBytes(folder.Join("index.pym"), matrix);
  }
  {  // without the posting file nothing is opened
    ASSERT_TRUE(RemoveFile(folder.Join("index.pyd")));
    EXPECT_FALSE(reader.Open(folder.Path(), 3));
  }
  {  // a folder without the files (built by an older version) stays without them
    TempFolder older;
    EXPECT_FALSE(reader.Open(older.Path(), 0));
    EXPECT_FALSE(PathExists(older.Join("index.pym")));
    EXPECT_FALSE(PathExists(older.Join("index.pyd")));
  }
}

}  // namespace
}  // namespace sorvik
