// Initials of GBK names and the matching of ASCII words against them.
#include "index/pinyin_initials.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

// The letters of a mask, "a".."z" in order.
std::string Letters(uint32_t mask) {
  std::string letters;
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) letters += static_cast<char>('a' + i);
  }
  return letters;
}

uint32_t MaskOf(const std::string& character) {
  return PinyinInitialsOf(static_cast<uint8_t>(character[0]), static_cast<uint8_t>(character[1]));
}

TEST(PinyinTable, CharactersCarryTheInitialsOfEveryReading) {
  EXPECT_EQ(Letters(MaskOf("报")), "b");
  EXPECT_EQ(Letters(MaskOf("告")), "gj");
  EXPECT_EQ(Letters(MaskOf("长")), "cz");  // chang, zhang
  EXPECT_EQ(Letters(MaskOf("行")), "hx");  // hang, xing
  EXPECT_EQ(Letters(MaskOf("照")), "z");
  EXPECT_EQ(Letters(MaskOf("丂")), "kqy");  // first code of the GBK extension area
}

TEST(PinyinTable, CodesWithoutReadingsAreZero) {
  EXPECT_EQ(MaskOf("Ａ"), 0u);                  // full-width letter
  EXPECT_EQ(MaskOf("ˋ"), 0u);                   // tone mark, trail byte 0x41
  EXPECT_EQ(MaskOf("，"), 0u);                  // full-width comma
  EXPECT_EQ(PinyinInitialsOf(0x80, 0x40), 0u);  // lead outside GBK
  EXPECT_EQ(PinyinInitialsOf(0xB1, 0x20), 0u);  // trail below GBK's range
  EXPECT_EQ(PinyinInitialsOf(0xB1, 0xFF), 0u);  // trail above it
}

TEST(InitialsWords, OnlyAsciiWordsWithALetterMatchByInitials) {
  EXPECT_TRUE(IsInitialsWord("bg"));
  EXPECT_TRUE(IsInitialsWord("g20"));
  EXPECT_TRUE(IsInitialsWord("b-g"));
  EXPECT_FALSE(IsInitialsWord("2019"));
  EXPECT_FALSE(IsInitialsWord("报g"));
  EXPECT_FALSE(IsInitialsWord("ＢＧ"));
  EXPECT_TRUE(InitialsPattern("2019").empty());
}

TEST(NameInitials, PolyphonicCharactersMatchEachReading) {
  EXPECT_TRUE(NameMatchesInitials("长城", "cc"));
  EXPECT_TRUE(NameMatchesInitials("长城", "zc"));
  EXPECT_TRUE(NameMatchesInitials("银行卡", "yhk"));
  EXPECT_TRUE(NameMatchesInitials("银行卡", "yxk"));
  EXPECT_FALSE(NameMatchesInitials("长城", "cz"));  // 城 is only cheng
  EXPECT_FALSE(NameMatchesInitials("长城", "zz"));
}

TEST(NameInitials, MixedNamesKeepTheirOtherBytes) {
  EXPECT_TRUE(NameMatchesInitials("报告2019a", "bg2019a"));
  EXPECT_TRUE(NameMatchesInitials("报告2019a", "g20"));
  EXPECT_TRUE(NameMatchesInitials("报告2019a", "BG2019A"));  // folded
  EXPECT_TRUE(NameMatchesInitials("年度Report报告.doc", "ndreport"));
  EXPECT_TRUE(NameMatchesInitials("年度Report报告.doc", "tbg.doc"));
  EXPECT_FALSE(NameMatchesInitials("报告2019a", "bg2019b"));
  EXPECT_FALSE(NameMatchesInitials("报告2019a", "bg20199"));
  EXPECT_FALSE(NameMatchesInitials("报 告", "bg"));  // the space stands between
  EXPECT_TRUE(NameMatchesInitials("报 告", "b g"));
  EXPECT_FALSE(NameMatchesInitials("报告", "bgx"));
}

TEST(NameInitials, CharactersWithoutReadingsStandForThemselves) {
  // "ˋ" is A8 41: its trail byte is the letter A, which must not be read as one.
  const std::string tone = "x\xA8\x41y";
  EXPECT_FALSE(NameMatchesInitials(tone, "ay"));
  EXPECT_FALSE(NameMatchesInitials(tone, "xy"));
  EXPECT_FALSE(NameMatchesInitials(tone, "xa"));
  // Full-width letters are not ASCII letters.
  EXPECT_FALSE(NameMatchesInitials("ＢＧ", "bg"));
  EXPECT_TRUE(NameMatchesInitials("ＢＧ报告", "bg"));
  EXPECT_FALSE(NameMatchesInitials("报Ｇ告", "bg"));
  // A last lone lead byte is a character of its own.
  EXPECT_FALSE(NameMatchesInitials("ab\xB1", "abb"));
  EXPECT_TRUE(NameMatchesInitials("ab\xB1", "ab"));
}

TEST(NameInitials, WordsThatMayNotMatchByInitialsNeverDo) {
  EXPECT_FALSE(NameMatchesInitials("2019报告", "2019"));
  EXPECT_FALSE(NameMatchesInitials("报告", "报告"));
  EXPECT_FALSE(NameMatchesInitials("报告", ""));
}

}  // namespace
}  // namespace sorvik
