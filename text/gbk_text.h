// The rules of GBK text (code page 936), written once for every layer: what a character is, how
// ASCII letters fold, where a path's last "\" stands and what folder holds a path.
//
// A lead byte is 0x81..0xFE, as code page 936 defines it: with the byte after it, it forms one
// double-byte character, whose second byte (0x40..0xFE) may equal "\" or an ASCII letter and must
// never be taken for one. 0x80 (the euro sign) and 0xFF stand alone, as single-byte characters,
// as the system's own ANSI calls treat them. A lead byte at the very end of a text stands alone.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sorvik {

// Whether `byte` starts a double-byte character.
inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Length of the character starting at text[i] of a text of `size` bytes: 2 for a lead byte
// followed by a byte, else 1.
inline size_t GbkCharLength(const char* text, size_t size, size_t i) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < size ? 2 : 1;
}

inline size_t GbkCharLength(const std::string& text, size_t i) {
  return GbkCharLength(text.data(), text.size(), i);
}

// Length of the character at the start of the NUL-terminated `text`.
inline size_t GbkCharLength(const char* text) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// ASCII letters folded to one case; every other byte stays.
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// `text` with its ASCII letters in upper (lower) case; the bytes of double-byte characters stay.
std::string GbkUpperAscii(std::string text);
std::string GbkLowerAscii(std::string text);

// Equal texts, ASCII letters compared without regard to case.
bool GbkEqualNoCase(const std::string& a, const std::string& b);

// Byte-wise order with ASCII letters compared without regard to case (as lower case); the
// second byte of a double-byte character compares as it is. A text that is a prefix of the
// other comes first. Returns <0, 0 or >0.
int CompareAsciiNoCase(const std::string& a, const std::string& b);

// Position of the last "\" of `path` (never a second byte), or npos.
size_t GbkLastBackslash(const std::string& path);

// Position of the last "\" or "/" of `path` (never a second byte), or npos: for paths that may
// come in either form.
size_t GbkLastSlash(const std::string& path);

// The folder holding `path`: what stands before its last "\" ("C:\a\b" -> "C:\a",
// "C:\b" -> "C:"), empty without one.
std::string GbkFolderOf(const std::string& path);

// The last component of `path`: what follows its last "\" (all of it without one).
std::string GbkNameOf(const std::string& path);

// Splits `text` into the non-empty runs between the single-byte characters for which
// `is_separator` holds, in order; a second byte never separates.
template <typename Predicate>
std::vector<std::string> GbkSplit(const std::string& text, Predicate is_separator) {
  std::vector<std::string> runs;
  std::string current;
  for (size_t i = 0; i < text.size();) {
    const size_t length = GbkCharLength(text, i);
    if (length == 1 && is_separator(text[i])) {
      if (!current.empty()) runs.push_back(current);
      current.clear();
    } else {
      current.append(text, i, length);
    }
    i += length;
  }
  if (!current.empty()) runs.push_back(current);
  return runs;
}

// Windows-style wildcard match of a GBK name: "*" any run of characters, "?" one character (a
// double-byte character counts as one), ASCII letters without regard to case.
bool GbkWildcardMatch(const char* pattern, const char* name);

// Splits at "\" into the non-empty components.
std::vector<std::string> SplitPath(const std::string& path);

}  // namespace sorvik
