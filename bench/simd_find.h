// The search of the benchmark's floor: a vector filter on the first and the last byte of the
// needle over a large buffer, each candidate confirmed byte by byte (memcmp for long needles).
// With AVX2 (chosen at run time) it tests 32 positions per step, with SSE2 16.
#pragma once

#include <cstddef>

namespace sorvik {
namespace bench {

// The first occurrence of the `needle_length` bytes of `needle` in `haystack`, or null.
// REQUIRES: needle_length > 0.
const char* FindFirstLast(const char* haystack, size_t length, const char* needle,
                          size_t needle_length);

// Whether FindFirstLast uses AVX2 on this processor.
bool FindFirstLastUsesAvx2();

}  // namespace bench
}  // namespace sorvik
