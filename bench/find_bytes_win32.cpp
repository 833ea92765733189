#include <algorithm>
#include <cstring>
#include <functional>

#include "bench/find_bytes.h"

namespace sorvik {
namespace bench {

// The Windows C library has no memmem: memchr finds candidates for the first byte (a short
// needle), Boyer-Moore-Horspool skips ahead for a longer one.
const char* FindBytes(const char* haystack, size_t length, const char* needle,
                      size_t needle_length) {
  const char* end = haystack + length;
  if (needle_length > 4) {
    std::boyer_moore_horspool_searcher<const char*> searcher(needle, needle + needle_length);
    const char* at = std::search(haystack, end, searcher);
    return at == end ? nullptr : at;
  }
  for (const char* at = haystack; static_cast<size_t>(end - at) >= needle_length; ++at) {
    at = static_cast<const char*>(std::memchr(at, needle[0], end - at - needle_length + 1));
    if (at == nullptr) return nullptr;
    if (std::memcmp(at, needle, needle_length) == 0) return at;
  }
  return nullptr;
}

}  // namespace bench
}  // namespace sorvik
