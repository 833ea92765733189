// How the build's progress texts reach the terminal: on a terminal one line that is rewritten in
// place (elapsed time and the latest text, cut to the line's width), elsewhere one line each.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace sorvik {

class ProgressLine {
 public:
  ProgressLine(FILE* out, bool terminal);
  ~ProgressLine();  // ends the rewritten line
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Shows `text` (terminal encoding); its line breaks become spaces.
  void Show(std::string text);

 private:
  FILE* out_;                                    // where the lines go
  bool terminal_;                                // rewrite one line instead of adding lines
  size_t shown_ = 0;                             // width of the line shown now
  std::chrono::steady_clock::time_point start_;  // for the elapsed time
  std::mutex lock_;                              // texts arrive from the build's threads
};

}  // namespace sorvik
