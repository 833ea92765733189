#include "query/gbk_text.h"

namespace sorvik {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool GbkEqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t length = GbkCharLength(a, i);
    if (length == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}

size_t GbkLastBackslash(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (path[i] == '\\') last = i;
  }
  return last;
}

std::string GbkFolderOf(const std::string& path) {
  const size_t last = GbkLastBackslash(path);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < path.size();) {
    size_t length = GbkCharLength(path, i);
    if (length == 1 && path[i] == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current.append(path, i, length);
    }
    i += length;
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

}  // namespace sorvik
