#include "cli/progress_line.h"

#include <algorithm>

#include "cli/console.h"
#include "lifecycle/build_index.h"
#include "platform/progress.h"

namespace sorvik {
namespace {

constexpr size_t kLineWidth = 79;    // columns of a rewritten line, everything included
constexpr uint32_t kWalkShare = 90;  // per cent of the line that the walk fills
constexpr int kBeforeTheEnd = 99;    // the most shown before the build has ended

// Cuts `text` to at most `width` bytes without splitting a UTF-8 or GBK character: bytes of
// one character are never separated by the cut because only ASCII bytes end the kept part.
std::string CutTo(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && static_cast<unsigned char>(text[end]) >= 0x80) --end;
  return text.substr(0, end) + "...";
}

}  // namespace

ProgressLine::ProgressLine(FILE* out, bool terminal, uint32_t expected, uint32_t refresh_ms)
    : out_(out),
      terminal_(terminal),
      expected_(expected),
      start_(std::chrono::steady_clock::now()) {
  if (terminal_ && refresh_ms != 0) {
    refresher_ = std::thread([this, refresh_ms] { RefreshLoop(refresh_ms); });
  }
}

ProgressLine::~ProgressLine() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  stop_.notify_all();
  if (refresher_.joinable()) refresher_.join();
  if (terminal_ && shown_ != 0) std::fputc('\n', out_);
}

int ProgressLine::Percent(uint32_t walked, uint32_t expected, bool building) {
  if (expected == 0) return -1;
  if (building) return static_cast<int>(kWalkShare);
  const uint64_t share = uint64_t{walked} * kWalkShare / expected;
  return static_cast<int>(std::min<uint64_t>(share, kWalkShare));
}

void ProgressLine::Show(const std::string& text) {
  std::string shown = ToConsole(text);
  for (char& c : shown) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (text == kBuildingText) building_ = true;
  if (!terminal_) {
    std::fprintf(out_, "%s\n", shown.c_str());
    std::fflush(out_);
    return;
  }
  text_ = shown;
  Draw();
}

void ProgressLine::RefreshLoop(uint32_t refresh_ms) {
  std::unique_lock<std::mutex> hold(lock_);
  while (
      !stop_.wait_for(hold, std::chrono::milliseconds(refresh_ms), [this] { return stopping_; })) {
    if (shown_ != 0) Draw();
  }
}

void ProgressLine::Draw() {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_)
          .count();
  const uint32_t walked = WalkedEntries();
  const int percent = std::min(Percent(walked, expected_, building_), kBeforeTheEnd);
  char head[64];
  int length =
      std::snprintf(head, sizeof head, "[%02lld:%02lld] ", static_cast<long long>(seconds / 60),
                    static_cast<long long>(seconds % 60));
  if (percent >= 0) length += std::snprintf(head + length, sizeof head - length, "%3d%% ", percent);
  std::snprintf(head + length, sizeof head - length, "%u entries  ", walked);
  const std::string prefix = head;
  std::string line = prefix + CutTo(text_, kLineWidth - 4 - prefix.size());
  const size_t width = line.size();
  if (width < shown_) line.append(shown_ - width, ' ');  // covers what the last one showed
  std::fprintf(out_, "\r%s", line.c_str());
  std::fflush(out_);
  shown_ = width;
}

}  // namespace sorvik
