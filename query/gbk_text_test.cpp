#include "query/gbk_text.h"

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

}  // namespace
}  // namespace sorvik
