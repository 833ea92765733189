// What sorvik-cli does differently on Linux and on Windows: the terminal's text encoding, the
// drive map that stands in for drives on Linux, and where the build's progress texts go.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace sorvik {

// Terminal text to program text (GBK) and back: UTF-8 on Linux, unchanged on Windows.
std::string FromConsole(const std::string& text);
std::string ToConsole(const std::string& text);

// Linux: maps the drives and writes them to `file` so that later searches know them.
// Windows: drives are the system's own; returns false with `error` set when any are given.
bool SetUpDrives(const std::vector<std::pair<char, std::string>>& drives, const std::string& file,
                 std::string* error);
// Linux: maps the drives saved in `file` by the last index command. Windows: nothing.
void LoadDrives(const std::string& file);

// Shows the build's progress texts on `out` while the object lives.
class ConsoleProgress {
 public:
  explicit ConsoleProgress(FILE* out);
  ~ConsoleProgress();
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;

 private:
  struct State;
  State* state_;
};

}  // namespace sorvik
