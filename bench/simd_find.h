// The search of the benchmark's floor: a vector filter on the first and the last byte of the
// needle over a large buffer, each candidate confirmed byte by byte (memcmp for long needles).
// With AVX2 (chosen at run time) it tests 32 positions per step, with SSE2 16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorvik {
namespace bench {

// The first occurrence of the `needle_length` bytes of `needle` in `haystack`, or null.
// REQUIRES: needle_length > 0.
const char* FindFirstLast(const char* haystack, size_t length, const char* needle,
                          size_t needle_length);

// The pass of the floor over names that each end with a line feed (`text`, `length` bytes, the
// last one a line feed): appends to `starts` the offset of every name that holds `needle`, once
// per name, in order. The same filter finds the candidates; a line-feed mask of the same bytes
// of a block that holds a hit tells the name of each hit, and the pass goes on after that
// name's line feed.
// REQUIRES: needle_length > 0, no line feed in `needle`.
void FindNamesHolding(const char* text, size_t length, const char* needle, size_t needle_length,
                      std::vector<uint32_t>* starts);

// Whether FindFirstLast uses AVX2 on this processor.
bool FindFirstLastUsesAvx2();

}  // namespace bench
}  // namespace sorvik
