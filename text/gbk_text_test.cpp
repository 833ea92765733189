#include "text/gbk_text.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

// "\x95\x5C" is one double-byte character whose trail byte is the code of "\".
TEST(GbkText, LastBackslashAndFolderSkipTrailBytes) {
  const std::string path = "C:\\a\\\x95\x5C";
  EXPECT_EQ(GbkLastBackslash(path), 4u);
  EXPECT_EQ(GbkFolderOf(path), "C:\\a");
  EXPECT_EQ(GbkFolderOf("C:\\\x95\x5C\\b"), "C:\\\x95\x5C");
  EXPECT_EQ(GbkFolderOf("C:\\b"), "C:");
  EXPECT_EQ(GbkFolderOf("name"), "");
  EXPECT_EQ(GbkLastBackslash("\x95\x5C"), std::string::npos);
}

TEST(GbkText, ComparesAsciiLettersWithoutCase) {
  EXPECT_EQ(CompareAsciiNoCase("ReadMe.TXT", "readme.txt"), 0);
  EXPECT_LT(CompareAsciiNoCase("_a", "Ab"), 0);  // letters fold to lower case
  EXPECT_LT(CompareAsciiNoCase("ab", "ABC"), 0);
  EXPECT_GT(CompareAsciiNoCase("\xB0\xA1", "z"), 0);  // bytes compare unsigned
  // The second byte of a double-byte character is never folded.
  EXPECT_NE(CompareAsciiNoCase("\x81\x41", "\x81\x61"), 0);
  EXPECT_EQ(CompareAsciiNoCase("\x81\x41Q", "\x81\x41q"), 0);
}

// 0x80 and 0xFF stand alone as code page 936 has them; 0x81..0xFE lead a pair unless last.
TEST(GbkText, LeadBytesFollowTheCodePage) {
  EXPECT_EQ(GbkCharLength(std::string("\x80"
                                      "A"),
                          0),
            1u);
  EXPECT_EQ(GbkCharLength(std::string("\xFF"
                                      "A"),
                          0),
            1u);
  EXPECT_EQ(GbkCharLength(std::string("\x81"
                                      "A"),
                          0),
            2u);
  EXPECT_EQ(GbkCharLength(std::string("\xFE"
                                      "A"),
                          0),
            2u);
  EXPECT_EQ(GbkCharLength(std::string("\xB0"), 0), 1u);  // a lead byte at the end
  EXPECT_EQ(GbkUpperAscii("a\x80"
                          "b\x81"
                          "a"),
            "A\x80"
            "B\x81"
            "a");
  EXPECT_EQ(GbkLowerAscii("A\xFF"
                          "B\x95\x5C"
                          "C"),
            "a\xFF"
            "b\x95\x5C"
            "c");
  EXPECT_EQ(GbkLastSlash("C:/a\\\x95\x5C"), 4u);
  EXPECT_EQ(GbkNameOf("C:\\\x95\x5C"), "\x95\x5C");
  EXPECT_EQ(GbkNameOf("name"), "name");
}

}  // namespace
}  // namespace sorvik
