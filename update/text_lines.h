#pragma once
// The lines of the update's small text files (signature files, the journal, the registration
// list): split at "\n", a "\r" before it dropped, a last line without "\n" kept.
#include <string>
#include <vector>

namespace sorvik {

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace sorvik
