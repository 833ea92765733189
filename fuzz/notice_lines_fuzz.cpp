// The decrypted notice body as a hostile server could make it: every kept line is longer than 3
// bytes, holds no line end, is a piece of the input, and no more lines are kept than the cap.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/update_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = sorvik::ParseNoticeLines(body);
  size_t total = 0;
  for (const std::string& line : lines) {
    total += line.size() + 1;
    if (line.size() < 4 || line.find('\n') != std::string::npos ||
        body.find(line) == std::string::npos) {
      std::fprintf(stderr, "disagreement: notice line of %zu bytes\n", line.size());
      std::abort();
    }
  }
  if (lines.size() > sorvik::kMaxNoticeLines || total > size + 1) {
    std::fprintf(stderr, "disagreement: %zu lines\n", lines.size());
    std::abort();
  }
  return 0;
}
