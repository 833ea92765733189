// Conversion between GBK (code page 936, the program's narrow strings) and UTF-8 (the Linux
// file system and terminal). A character that the target cannot hold becomes "?".
#pragma once

#include <string>

namespace sorvik {

std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace sorvik
