// Byte-string helpers that respect GBK double-byte characters: a lead byte (0x81 or more) and
// the byte after it form one character, so a trail byte is never taken for "\" or for a letter.
#pragma once

#include <string>
#include <vector>

namespace sorvik {

// Length of the character starting at text[i]: 2 for a lead byte followed by a byte, else 1.
inline size_t GbkCharLength(const std::string& text, size_t i) {
  return static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
}

// Equal texts, ASCII letters compared without regard to case.
bool GbkEqualNoCase(const std::string& a, const std::string& b);

// Position of the last "\" of `path` (never a trail byte), or npos.
size_t GbkLastBackslash(const std::string& path);

// The folder holding `path`: what stands before its last "\" ("C:\a\b" -> "C:\a",
// "C:\b" -> "C:"), empty without one.
std::string GbkFolderOf(const std::string& path);

// Splits at "\" into the non-empty components.
std::vector<std::string> SplitPath(const std::string& path);

}  // namespace sorvik
