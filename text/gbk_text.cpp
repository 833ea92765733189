#include "text/gbk_text.h"

#include <algorithm>
#include <cstring>

namespace sorvik {

std::string GbkUpperAscii(std::string text) {
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) text[i] = UpperAscii(text[i]);
  return text;
}

std::string GbkLowerAscii(std::string text) {
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) text[i] = LowerAscii(text[i]);
  return text;
}

bool GbkEqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareAsciiNoCase(a, b) == 0;
}

int CompareAsciiNoCase(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  bool trail = false;  // the byte at i is the second byte of a character equal in both texts
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (!trail) {
      x = static_cast<unsigned char>(LowerAscii(static_cast<char>(x)));
      y = static_cast<unsigned char>(LowerAscii(static_cast<char>(y)));
    }
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && IsGbkLeadByte(x);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t GbkLastBackslash(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (path[i] == '\\') last = i;
  }
  return last;
}

size_t GbkLastSlash(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (path[i] == '\\' || path[i] == '/') last = i;
  }
  return last;
}

std::string GbkFolderOf(const std::string& path) {
  const size_t last = GbkLastBackslash(path);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string GbkNameOf(const std::string& path) {
  const size_t last = GbkLastBackslash(path);
  return last == std::string::npos ? path : path.substr(last + 1);
}

// Windows-style wildcard match of a GBK name: "*" any run, "?" one character, ASCII letters
// without regard to case.
bool GbkWildcardMatch(const char* pattern, const char* name) {
  while (*pattern != '\0') {
    if (*pattern == '*') {
      while (*pattern == '*') ++pattern;
      if (*pattern == '\0') return true;
      for (const char* rest = name;; rest += GbkCharLength(rest)) {
        if (GbkWildcardMatch(pattern, rest)) return true;
        if (*rest == '\0') return false;
      }
    }
    if (*name == '\0') return false;
    size_t pattern_length = GbkCharLength(pattern), name_length = GbkCharLength(name);
    if (*pattern != '?') {
      if (pattern_length != name_length) return false;
      if (pattern_length == 1 ? UpperAscii(*pattern) != UpperAscii(*name)
                              : std::memcmp(pattern, name, 2) != 0) {
        return false;
      }
    }
    pattern += pattern_length;
    name += name_length;
  }
  return *name == '\0';
}

std::vector<std::string> SplitPath(const std::string& path) {
  return GbkSplit(path, [](char c) { return c == '\\'; });
}

}  // namespace sorvik
