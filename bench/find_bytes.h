// Finding a byte string in a large buffer with the fastest search the C library offers.
#pragma once

#include <cstddef>

namespace sorvik {
namespace bench {

// The first occurrence of the `needle_length` bytes of `needle` in `haystack`, or null.
// REQUIRES: needle_length > 0.
const char* FindBytes(const char* haystack, size_t length, const char* needle,
                      size_t needle_length);

}  // namespace bench
}  // namespace sorvik
