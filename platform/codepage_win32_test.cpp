#include <gtest/gtest.h>
#include <windows.h>

namespace {

// The Win32 build runs with the Chinese ANSI code page, so the GBK literals display right.
TEST(CodePage, AnsiCodePageIs936) {
  EXPECT_EQ(GetACP(), 936u);
  char upper[] = "\xD6\xD0";
  EXPECT_TRUE(IsDBCSLeadByte(static_cast<BYTE>(upper[0])));
}

}  // namespace
