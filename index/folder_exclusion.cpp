#include "index/folder_exclusion.h"

#include "text/gbk_text.h"

namespace sorvik {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// `path` without its trailing "\" characters (never a second byte of a character).
std::string WithoutTrailingBackslash(std::string path) {
  while (!path.empty() && GbkLastBackslash(path) == path.size() - 1) path.pop_back();
  return path;
}

}  // namespace

std::vector<std::string> SplitExcludeList(const std::string& joined) {
  std::vector<std::string> patterns;
  for (const std::string& run : GbkSplit(joined, [](char c) { return c == '|'; })) {
    std::string pattern = Trimmed(run);
    if (!pattern.empty()) patterns.push_back(pattern);
  }
  return patterns;
}

std::string JoinExcludeList(const std::vector<std::string>& patterns) {
  std::string joined;
  for (const std::string& pattern : patterns) {
    if (!joined.empty()) joined += '|';
    joined += pattern;
  }
  return joined;
}

bool IsFullPathPattern(const std::string& pattern) {
  for (size_t i = 0; i < pattern.size(); i += GbkCharLength(pattern, i)) {
    if (GbkCharLength(pattern, i) == 1 && (pattern[i] == '\\' || pattern[i] == ':')) return true;
  }
  return false;
}

bool IsValidExcludePattern(const std::string& pattern) {
  const std::string trimmed = Trimmed(pattern);
  if (trimmed.empty() || trimmed != pattern) return false;
  const bool full_path = IsFullPathPattern(pattern);
  for (size_t i = 0; i < pattern.size(); i += GbkCharLength(pattern, i)) {
    if (GbkCharLength(pattern, i) != 1) continue;
    if (pattern[i] == '|' || pattern[i] == '/') return false;
    if (full_path && (pattern[i] == '*' || pattern[i] == '?')) return false;  // names only
  }
  if (!full_path) return true;
  const char letter = UpperAscii(pattern[0]);
  return pattern.size() >= 3 && letter >= 'A' && letter <= 'Z' && pattern[1] == ':' &&
         pattern[2] == '\\' && WithoutTrailingBackslash(pattern).size() > 2;
}

FolderExclusion::FolderExclusion(const std::vector<std::string>& patterns) {
  for (const std::string& pattern : patterns) {
    if (!IsValidExcludePattern(pattern)) continue;
    if (IsFullPathPattern(pattern)) {
      paths_.push_back(WithoutTrailingBackslash(pattern));
    } else {
      names_.push_back(pattern);
    }
  }
}

bool FolderExclusion::NameLeftOut(const std::string& name) const {
  for (const std::string& pattern : names_) {
    if (GbkWildcardMatch(pattern.c_str(), name.c_str())) return true;
  }
  return false;
}

bool FolderExclusion::PathLeftOut(const std::string& path) const {
  for (const std::string& pattern : paths_) {
    if (GbkEqualNoCase(pattern, path)) return true;
  }
  return false;
}

bool FolderExclusion::LeavesOut(const std::string& path, const std::string& name) const {
  return NameLeftOut(name) || PathLeftOut(path);
}

bool FolderExclusion::LeavesOut(const std::string& path) const {
  return LeavesOut(path, GbkNameOf(path));
}

bool FolderExclusion::HidesBelow(const std::string& path) const {
  if (empty()) return false;
  // Every folder that holds `path`, below its drive root: "C:\a" and "C:\a\b" for "C:\a\b\c".
  const std::vector<std::string> parts = SplitPath(path);
  std::string holder = parts.empty() ? std::string() : parts[0];
  for (size_t i = 1; i + 1 < parts.size(); ++i) {
    holder += '\\';
    holder += parts[i];
    if (LeavesOut(holder, parts[i])) return true;
  }
  return false;
}

}  // namespace sorvik
