#include "update/update_formats.h"

#include <cctype>
#include <cstring>

namespace sorvik {
namespace {

constexpr size_t kMinLineLength = 4;  // lines of 3 bytes or fewer are ignored

// Calls `line` for each "\n"-separated line of `text` (the part after the last "\n" too) until
// it returns false.
template <typename LineFn>
void ForEachLine(const std::string& text, LineFn line) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (!line(text.substr(start, end - start))) return;
    start = end + 1;
  }
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Whether the backslash-separated `relative` path holds only plain names.
bool PlainRelativePath(const std::string& relative) {
  if (relative.empty()) return false;
  if (relative.find_first_of(":/%") != std::string::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = relative.find('\\', start);
    const std::string name = relative.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find_first_not_of('.') == std::string::npos) return false;  // "...": also a climb
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

std::vector<std::string> ParseNoticeLines(const std::string& body) {
  std::vector<std::string> lines;
  ForEachLine(body, [&lines](const std::string& line) {
    if (line.size() >= kMinLineLength) lines.push_back(line);
    return lines.size() < kMaxNoticeLines;
  });
  return lines;
}

bool VersionAnswerSaysOk(const std::string& answer) {
  size_t start = 0;
  while (start < answer.size() && IsSpace(answer[start])) ++start;
  size_t end = start;
  while (end < answer.size() && !IsSpace(answer[end])) ++end;
  return answer.compare(start, end - start, "ok") == 0;
}

bool ParseUpdateList(const std::string& text, std::vector<UpdateEntry>* entries) {
  entries->clear();
  bool ok = true;
  ForEachLine(text, [&](std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < kMinLineLength) return true;
    UpdateEntry entry;
    std::string* fields[] = {&entry.target, &entry.register_flag, &entry.signature};
    size_t start = 0;
    for (std::string* field : fields) {
      const size_t comma = line.find(',', start);
      if (comma == std::string::npos) return ok = false;
      *field = line.substr(start, comma - start);
      start = comma + 1;
    }
    for (char c : line.substr(start)) {
      if (c != '\r' && c != '\n') entry.url += c;
    }
    entries->push_back(std::move(entry));
    return ok = entries->size() <= kMaxUpdateEntries;
  });
  if (!ok) entries->clear();
  return ok;
}

bool ExpandTarget(const std::string& target, const std::string& program, const std::string& system,
                  const std::string& staging, TargetPaths* paths) {
  std::string relative;
  if (StartsWith(target, kAppPlaceholder)) {
    relative = target.substr(std::strlen(kAppPlaceholder));
    paths->local = program;
    paths->staged = staging + "\\app";
  } else if (StartsWith(target, kSystemPlaceholder)) {
    relative = target.substr(std::strlen(kSystemPlaceholder));
    paths->local = system;
    paths->staged = staging + "\\sys";
  } else {
    return false;
  }
  if (relative.empty() || relative[0] != '\\' || !PlainRelativePath(relative.substr(1)))
    return false;
  paths->local += relative;
  paths->staged += relative;
  return paths->local.size() <= kMaxLocalPath && paths->staged.size() <= kMaxLocalPath;
}

std::string RegistrationText(const std::string& program_path,
                             const std::vector<std::string>& registered) {
  std::string text = program_path + "\n";
  for (const std::string& path : registered) text += path + "\n";
  return text;
}

}  // namespace sorvik
