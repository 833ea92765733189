#include "cli/progress_line.h"

namespace sorvik {
namespace {

constexpr size_t kLineWidth = 79;  // columns of a rewritten line, the time included

// Cuts `text` to at most `width` bytes without splitting a UTF-8 or GBK character: bytes of
// one character are never separated by the cut because only ASCII bytes end the kept part.
std::string CutTo(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && static_cast<unsigned char>(text[end]) >= 0x80) --end;
  return text.substr(0, end) + "...";
}

}  // namespace

ProgressLine::ProgressLine(FILE* out, bool terminal)
    : out_(out), terminal_(terminal), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() {
  if (terminal_ && shown_ != 0) std::fputc('\n', out_);
}

void ProgressLine::Show(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (!terminal_) {
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
    return;
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_)
          .count();
  char time[32];
  std::snprintf(time, sizeof time, "[%02lld:%02lld] ", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  std::string line = time + CutTo(text, kLineWidth - 4 - std::string(time).size());
  const size_t width = line.size();
  if (width < shown_) line.append(shown_ - width, ' ');  // covers what the last one showed
  std::fprintf(out_, "\r%s", line.c_str());
  std::fflush(out_);
  shown_ = width;
}

}  // namespace sorvik
