#include <string.h>

#include "bench/find_bytes.h"

namespace sorvik {
namespace bench {

// glibc's memmem: vectorised for short needles, two-way for long ones.
const char* FindBytes(const char* haystack, size_t length, const char* needle,
                      size_t needle_length) {
  return static_cast<const char*>(::memmem(haystack, length, needle, needle_length));
}

}  // namespace bench
}  // namespace sorvik
