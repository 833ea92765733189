// Full pinyin: words spelled by whole syllables, their prefixes and initials, the readings table
// beside the initials table, and the initials words the index looks a word up under.
#include "index/full_pinyin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "index/pinyin_initials.h"
#include "index/pinyin_readings.h"
#include "testing/name_generator.h"

namespace sorvik {
namespace {

// Whether a run of two characters or more of `name` spells `word`.
bool Spells(const std::string& name, const std::string& word) {
  PinyinWord prepared(word);
  return prepared.FoundIn(name.data(), name.size());
}

// Whether the one character `text` spells `word` alone.
bool SpelledBy(const std::string& text, const std::string& word) {
  return PinyinWord(word).SpelledBy(static_cast<uint8_t>(text[0]), static_cast<uint8_t>(text[1]));
}

TEST(PinyinReadingsTable, AgreesWithTheInitialsOfEveryCode) {
  // The two generated tables come from one data set: a code's initials are the first letters of
  // its readings, and it has readings exactly when it has initials.
  for (uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
    for (uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
      uint32_t mask = 0;
      const PinyinReadings readings = PinyinReadingsOf(lead, trail);
      for (uint32_t k = 0; k < readings.count; ++k) {
        mask |= 1u << (PinyinSyllable(readings.ids[k])[0] - 'a');
      }
      ASSERT_EQ(mask, PinyinInitialsOf(lead, trail)) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(PinyinReadingsOf(0x80, 0x40).count, 0u);
  EXPECT_EQ(PinyinReadingsOf(0xB1, 0xFF).count, 0u);
  EXPECT_STREQ(PinyinSyllable(PinyinSyllableCount()), "");
}

TEST(FullPinyin, WholeSyllablesPrefixesAndInitialsMix) {
  for (const char* word : {"baogao", "bgao", "baog", "bg", "BaoGao", "bga", "baogu"}) {
    EXPECT_TRUE(Spells("报告", word)) << word;
  }
  for (const char* word : {"zhongguo", "zhongg", "zg", "zhguo", "zhonggu"}) {
    EXPECT_TRUE(Spells("中国", word)) << word;
  }
  EXPECT_TRUE(Spells("西安", "xian"));  // xi + an
  EXPECT_TRUE(Spells("西安", "xia"));   // xi + a
  EXPECT_TRUE(Spells("旅行西安", "xian"));
  EXPECT_FALSE(Spells("先", "xian"));  // one character alone: SpelledBy
  EXPECT_TRUE(SpelledBy("先", "xian"));
  EXPECT_TRUE(SpelledBy("先", "xi"));
  EXPECT_FALSE(SpelledBy("西", "xian"));
  EXPECT_FALSE(SpelledBy("先", "ian"));  // a reading is taken from its start
}

TEST(FullPinyin, PolyphonicCharactersSpellByEveryReading) {
  for (const char* word : {"hangzhang", "xingchang", "hangchang", "xingzhang", "hzh", "xingc"}) {
    EXPECT_TRUE(Spells("行长", word)) << word;
  }
  EXPECT_FALSE(Spells("行长", "hangzhag"));
  EXPECT_FALSE(Spells("长城", "changzheng"));  // 城 is only cheng
  // "ü" is typed "v": lü, nü.
  EXPECT_TRUE(Spells("吕布", "lvbu"));
  EXPECT_TRUE(Spells("吕布", "lb"));
  EXPECT_FALSE(Spells("吕布", "lubu"));  // "u" stands for no "ü"
  EXPECT_TRUE(Spells("绿色", "lvse"));
  EXPECT_TRUE(Spells("绿色", "lushai"));  // lù, shǎi
  EXPECT_TRUE(SpelledBy("女", "nv"));
  EXPECT_FALSE(SpelledBy("女", "nu"));
}

TEST(FullPinyin, RunsCrossAsciiAndChinese) {
  EXPECT_TRUE(Spells("报告doc", "baogaodoc"));
  EXPECT_TRUE(Spells("报告doc", "gaod"));
  EXPECT_TRUE(Spells("v2报告", "v2baogao"));
  EXPECT_TRUE(Spells("2019报告", "2019bgao"));
  EXPECT_TRUE(Spells("我的报告2019a", "baog2019"));
  EXPECT_TRUE(Spells("报告.doc", "bg.doc"));
  EXPECT_FALSE(Spells("报告.doc", "bgdoc"));    // the dot is a character of the name
  EXPECT_FALSE(Spells("报告doc", "baogaodc"));  // an ASCII character takes exactly its byte
}

TEST(FullPinyin, WordsThatMustNotMatch) {
  EXPECT_FALSE(Spells("报告", "baogaox"));   // letters past the last character
  EXPECT_FALSE(Spells("报告", "baoogao"));   // past the longest reading of 报
  EXPECT_FALSE(Spells("报告", "aogao"));     // not from the start of a reading
  EXPECT_FALSE(Spells("报告", "baogo"));     // go is no prefix of gao, ju or gu
  EXPECT_FALSE(Spells("报、告", "baogao"));  // 、 has no reading: it ends the run
  EXPECT_FALSE(Spells("报、告", "bg"));
  EXPECT_FALSE(Spells("报Ａ告", "baag"));  // a full-width letter is no ASCII letter
  EXPECT_FALSE(Spells("报告", "2019"));    // no letter: not a pinyin word
  EXPECT_FALSE(Spells("报\x80告", "bg"));  // a lone byte of 0x80 spells nothing
  EXPECT_TRUE(PinyinWord("报g").Empty());
}

// The initials words of the cuts of `word`, or "-" when there are too many.
std::vector<std::string> InitialsOfCuts(const std::string& word, size_t limit = 64) {
  std::vector<CutInitials> cuts;
  if (!FullPinyinInitials(word, limit, &cuts)) return {"-"};
  std::vector<std::string> initials;
  for (const CutInitials& cut : cuts) initials.push_back(cut.initials);
  return initials;
}

TEST(FullPinyinInitials, CutsIntoSyllablePrefixes) {
  std::vector<std::string> found = InitialsOfCuts("XiAn");
  // xi|an, xia|n, xi|a|n, x|i|an, xian (one piece); never the word itself (all single bytes).
  for (const char* initials : {"xa", "xn", "xan", "xia", "x"}) {
    EXPECT_TRUE(std::count(found.begin(), found.end(), initials)) << initials;
  }
  EXPECT_FALSE(std::count(found.begin(), found.end(), "xian"));
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
  std::vector<CutInitials> cuts;
  ASSERT_TRUE(FullPinyinInitials("xian", 64, &cuts));
  ASSERT_GE(cuts.size(), 3u);
  EXPECT_EQ(cuts[1].initials, "xa");  // after "x", the one piece xian
  EXPECT_EQ(cuts[1].pieces, std::vector<std::string>({"xi an"}));
  EXPECT_EQ(cuts[2].initials, "xan");
  EXPECT_EQ(cuts[2].pieces, std::vector<std::string>({"xi"}));  // xi|a|n
  found = InitialsOfCuts("v2baogao");
  EXPECT_TRUE(std::count(found.begin(), found.end(), "v2bg"));
  EXPECT_FALSE(std::count(found.begin(), found.end(), "bg"));  // every byte is spent
  // Too many cuts.
  EXPECT_EQ(InitialsOfCuts("zhongguorenminjiefangjunhaiyanchangan"), std::vector<std::string>{"-"});
}

TEST(FullPinyinInitials, EveryRunThatSpellsAWordHoldsOneOfThem) {
  // Names of polyphonic, ASCII and prefix-heavy characters; words spelled from random runs.
  const char* const pieces[] = {"行", "长", "西", "安", "先", "方", "案", "中", "国",
                                "报", "告", "a",  "n",  "2",  "绿", "女", "、", "x"};
  testing::Random random(3);
  int spelled = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> chars;
    for (uint32_t n = 2 + random.Next(5); n > 0; --n) chars.push_back(pieces[random.Next(18)]);
    std::string name;
    for (const std::string& c : chars) name += c;
    // A word from a run: each character gives a random prefix of a random reading.
    std::string word;
    for (size_t i = random.Next(static_cast<uint32_t>(chars.size())); i < chars.size(); ++i) {
      const uint8_t byte = static_cast<uint8_t>(chars[i][0]);
      if (byte < 0x80) {
        word += chars[i];
        continue;
      }
      const PinyinReadings readings = PinyinReadingsOf(byte, static_cast<uint8_t>(chars[i][1]));
      if (readings.count == 0 || random.Next(4) == 0) break;
      const std::string syllable = PinyinSyllable(readings.ids[random.Next(readings.count)]);
      word += syllable.substr(0, 1 + random.Next(static_cast<uint32_t>(syllable.size())));
    }
    if (!IsInitialsWord(word) || !Spells(name, word)) continue;
    ++spelled;
    std::vector<std::string> found = InitialsOfCuts(word, 4096);
    found.push_back(word);
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const std::string& initials) {
      return initials.size() >= 2 && NameMatchesInitials(name, initials);
    })) << word;
  }
  EXPECT_GT(spelled, 1000);
}

}  // namespace
}  // namespace sorvik
