#include "platform/charset.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

// Literals are compiled to GBK, and the seam converts both ways, replacing what GBK lacks.
TEST(Charset, LiteralsAreGbkAndConvert) {
  const std::string gbk = "中文";
  ASSERT_EQ(gbk.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(gbk[0]), 0xD6);
  EXPECT_EQ(static_cast<unsigned char>(gbk[1]), 0xD0);
  EXPECT_EQ(static_cast<unsigned char>(gbk[2]), 0xCE);
  EXPECT_EQ(static_cast<unsigned char>(gbk[3]), 0xC4);

  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // the same two characters in UTF-8
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(Utf8ToGbk("plain.txt"), "plain.txt");
  // A character outside GBK becomes "?" per UTF-16 unit, the text around it stays.
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "a??b");
  EXPECT_EQ(Utf8ToGbk("\xE0\xB8\x81"), "?");  // U+0E01, Thai
  // A GBK name whose trail byte is 0x5C ("\") converts as one character.
  const std::string trail5c = "\xB1\x5C";
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(trail5c)), trail5c);
}

}  // namespace
}  // namespace sorvik
