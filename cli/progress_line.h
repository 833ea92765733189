// How the build's progress texts reach the terminal. On a terminal: one line rewritten in place
// with the elapsed time, the share done, the entries walked so far and the latest text (cut to
// the line's width), redrawn now and then so that the time moves while no text comes. Elsewhere:
// one line per text.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace sorvik {

class ProgressLine {
 public:
  // `expected`: the entries the walk is expected to record (those of the last index), 0 when
  // unknown: the line then shows no share. `refresh_ms`: on a terminal, the pause between
  // redraws without a new text; 0 for none.
  ProgressLine(FILE* out, bool terminal, uint32_t expected = 0, uint32_t refresh_ms = 0);
  ~ProgressLine();  // ends the rewritten line
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Shows `text` (program text, GBK); its line breaks become spaces. The text that starts the
  // build of the name index ends the walk's share of the line.
  void Show(const std::string& text);

  // The share done in per cent: the walk takes the first 90 (the entries walked against the
  // entries expected), the name index the rest; -1 when nothing is expected. Exposed for tests.
  static int Percent(uint32_t walked, uint32_t expected, bool building);

 private:
  void Draw();  // REQUIRES: lock_ held
  void RefreshLoop(uint32_t refresh_ms);

  FILE* out_;                                    // where the lines go
  bool terminal_;                                // rewrite one line instead of adding lines
  uint32_t expected_;                            // entries the walk should record, 0: unknown
  bool building_ = false;                        // the walk is over, the name index is built
  std::string text_;                             // the latest text, terminal encoding
  size_t shown_ = 0;                             // width of the line shown now
  std::chrono::steady_clock::time_point start_;  // for the elapsed time
  std::mutex lock_;                              // texts arrive from the build's threads
  std::condition_variable stop_;                 // wakes the redraw thread to end it
  bool stopping_ = false;                        // the redraw thread is to end
  std::thread refresher_;                        // redraws the line every refresh_ms
};

}  // namespace sorvik
