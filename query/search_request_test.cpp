#include "query/search_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query/keyword_match.h"

namespace sorvik {
namespace {

using Words = std::vector<std::string>;
using Alternatives = std::vector<Words>;

// The alternatives of a line as typed into the keyword box.
Alternatives Typed(const std::string& line) {
  ParsedKeywords parsed = ParseKeywords(NormalizeKeywords(line));
  EXPECT_FALSE(parsed.selectsAll) << line;
  return parsed.alternatives;
}

bool Matches(const std::string& name, const std::string& line) {
  return NameMatchesKeywords(name, ParseKeywords(NormalizeKeywords(line)));
}

TEST(KeywordLine, Normalisation) {
  EXPECT_EQ(NormalizeKeywords("ab*txt?doc"), "ab txt doc");
  EXPECT_EQ(NormalizeKeywords("中　文，ab"), "中 文,ab");
  {
    // A second byte never matches: not a "*", "?" or "," after a lead byte...
    EXPECT_EQ(NormalizeKeywords("\x81*\x81?"), "\x81*\x81?");
    // ...and no full-width space or comma across two characters (B0A1 A1B0, B0A3 ACB0).
    EXPECT_EQ(NormalizeKeywords("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
    EXPECT_EQ(NormalizeKeywords("\xB0\xA3\xAC\xB0"), "\xB0\xA3\xAC\xB0");
    // A lead byte at the very end stands alone.
    EXPECT_EQ(NormalizeKeywords("a*\xB0"), "a \xB0");
  }
}

TEST(KeywordLine, AlternativesAndWords) {
  // Blank lines and lines of commas select everything.
  for (const char* line : {"", "   ", " \t\n\v\f\r", ",,", ","}) {
    ParsedKeywords parsed = ParseKeywords(line);
    EXPECT_TRUE(parsed.selectsAll) << line;
    EXPECT_TRUE(parsed.alternatives.empty()) << line;
  }
  // Empty runs are dropped; a run of white space stays as an alternative without words.
  EXPECT_EQ(Typed("ab txt,,doc"), (Alternatives{{"ab", "txt"}, {"doc"}}));
  EXPECT_EQ(Typed(", ,"), (Alternatives{{}}));
  EXPECT_EQ(Typed("ab，txt"), (Alternatives{{"ab"}, {"txt"}}));
  EXPECT_EQ(Typed("ab*txt"), (Alternatives{{"ab", "txt"}}));
  EXPECT_EQ(Typed("ab?txt"), Typed("ab txt"));
  // Words under 2 bytes are skipped; one GBK character is a word.
  EXPECT_EQ(Typed("a b"), (Alternatives{{}}));
  EXPECT_EQ(Typed("ab c"), (Alternatives{{"ab"}}));
  EXPECT_EQ(Typed("中"), (Alternatives{{"中"}}));
  // Five kept words at most; skipped words do not count.
  EXPECT_EQ(Typed("aa bb cc dd ee zz"), (Alternatives{{"aa", "bb", "cc", "dd", "ee"}}));
  EXPECT_EQ(Typed("x aa y bb cc dd ee"), (Alternatives{{"aa", "bb", "cc", "dd", "ee"}}));
  // Long words are cut to 128 bytes.
  EXPECT_EQ(Typed(std::string(130, 'q')), (Alternatives{{std::string(128, 'q')}}));
  // A lead byte followed by "," or white space is one character, never a separator.
  EXPECT_EQ(ParseKeywords("\x81,ab").alternatives, (Alternatives{{"\x81,ab"}}));
  EXPECT_EQ(ParseKeywords("\x81 x").alternatives, (Alternatives{{"\x81 x"}}));
}

TEST(KeywordLine, MeaningOverNames) {
  EXPECT_TRUE(Matches("ab.txt", "ab txt") && !Matches("ab.doc", "ab txt"));
  EXPECT_TRUE(Matches("x.txt", "ab,txt") && Matches("x.txt", "ab，txt"));
  EXPECT_TRUE(Matches("report_AB_1.doc", "Ab_1") && !Matches("report_ab-1.doc", "Ab_1"));
  EXPECT_TRUE(Matches("季度报告.doc", "报告") && !Matches("[a]", "{a}"));
  EXPECT_TRUE(!Matches("anything", "a b") && !Matches("anything", ", ,"));
  EXPECT_TRUE(Matches("aa bb cc dd ee", "aa bb cc dd ee zz"));  // the sixth word is ignored
  {
    // A word of n >= 2 keys must start at key position 127 - n or earlier; one key anywhere.
    std::string name = std::string(125, 'x') + "abc";  // "ab" at key position 126, "bc" at 127
    EXPECT_TRUE(Matches(name, "ab") && Matches(name, "bc"));
    EXPECT_FALSE(Matches(name, "abc"));                          // two keys starting at 126
    EXPECT_TRUE(Matches(std::string(124, 'x') + "abc", "abc"));  // starting at 125
    EXPECT_FALSE(Matches(std::string(130, 'x') + "ab", "ab"));   // beyond the first 128 bytes
  }
}

TEST(SearchRequestFields, MonthBoundsFromYearAndMonth) {
  SearchRequest year = MakeSearchRequest("ab", "C:", 3, true, 2008, 0);
  EXPECT_EQ(year.monthFrom, 0x6C00);
  EXPECT_EQ(year.monthTo, 0x6D00);
  EXPECT_EQ(year.category, 3);
  EXPECT_EQ(year.hiddenOnly, 1);
  SearchRequest march = MakeSearchRequest("", "", kCategoryAll, false, 2008, 3);
  EXPECT_EQ(march.monthFrom, 0x6C03);
  EXPECT_EQ(march.monthTo, 0x6C04);
  // No year, or a negative month: no time filter.
  EXPECT_EQ(MonthRangeOf(0, 3).from, 0);
  EXPECT_EQ(MonthRangeOf(2008, -1).to, 0);
  // The codes wrap modulo 65536.
  EXPECT_EQ(MonthRangeOf(2155, 0).from, 0xFF00);
  EXPECT_EQ(MonthRangeOf(2155, 0).to, 0);
  EXPECT_EQ(MonthRangeOf(1899, 0).from, 0xFF00);
}

}  // namespace
}  // namespace sorvik
