#include "bench/simd_find.h"

#include <immintrin.h>

#include <cstring>

namespace sorvik {
namespace bench {
namespace {

// Whether the `n` bytes at `a` and `b` are equal. Most keywords are short, so a loop in place
// costs less than a call of memcmp per candidate; longer ones go to memcmp.
inline bool SameBytes(const char* a, const char* b, size_t n) {
  if (n > 8) return std::memcmp(a, b, n) == 0;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// The candidates of `mask` (bit i: position at + i) confirmed one by one; null when none holds.
inline const char* Confirm(unsigned mask, const char* at, const char* needle, size_t n) {
  while (mask != 0) {
    const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
    if (SameBytes(at + bit + 1, needle + 1, n - 2)) return at + bit;
    mask &= mask - 1;
  }
  return nullptr;
}

// The positions from `i` on, one by one: the tail that a whole vector no longer covers.
const char* FindTail(const char* haystack, size_t i, size_t positions, const char* needle,
                     size_t n) {
  for (; i < positions; ++i) {
    if (haystack[i] == needle[0] && SameBytes(haystack + i + 1, needle + 1, n - 1)) {
      return haystack + i;
    }
  }
  return nullptr;
}

// Both loads of a step read at most up to byte positions - 1 + n - 1 = length - 1.
__attribute__((target("sse2"))) const char* FindSse2(const char* haystack, size_t positions,
                                                     const char* needle, size_t n) {
  const __m128i first = _mm_set1_epi8(needle[0]);
  const __m128i last = _mm_set1_epi8(needle[n - 1]);
  size_t i = 0;
  for (; i + 16 <= positions; i += 16) {
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i));
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i + n - 1));
    const unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last))));
    if (mask != 0) {
      const char* hit = Confirm(mask, haystack + i, needle, n);
      if (hit != nullptr) return hit;
    }
  }
  return FindTail(haystack, i, positions, needle, n);
}

__attribute__((target("avx2"))) const char* FindAvx2(const char* haystack, size_t positions,
                                                     const char* needle, size_t n) {
  const __m256i first = _mm256_set1_epi8(needle[0]);
  const __m256i last = _mm256_set1_epi8(needle[n - 1]);
  size_t i = 0;
  for (; i + 32 <= positions; i += 32) {
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(haystack + i));
    const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(haystack + i + n - 1));
    const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, last))));
    if (mask != 0) {
      const char* hit = Confirm(mask, haystack + i, needle, n);
      if (hit != nullptr) return hit;
    }
  }
  return FindSse2(haystack + i, positions - i, needle, n);
}

// Where FindNamesHolding stands: the next position to test.
struct NamePass {
  const char* text;
  size_t length;
  size_t positions;  // candidate positions: 0 .. positions - 1
  const char* needle;
  size_t n;
  size_t at = 0;
  std::vector<uint32_t>* starts;
};

// The start of the name that holds byte `at`: just after the line feed before it. Names are
// short, so this looks back a few bytes; it runs only for a block that holds a hit.
inline size_t NameStartBefore(const char* text, size_t at) {
  while (at > 0 && text[at - 1] != '\n') --at;
  return at;
}

// Takes the candidates (`candidates`) and line feeds (`feeds`) of the `width` bytes at pass->at
// and moves pass->at on: past the block, or past the line feed of a name that ran beyond it.
inline void TakeBlock(NamePass* pass, unsigned candidates, unsigned feeds, size_t width) {
  const size_t at = pass->at;
  const size_t middle = pass->n >= 2 ? pass->n - 2 : 0;
  while (candidates != 0) {
    const unsigned bit = static_cast<unsigned>(__builtin_ctz(candidates));
    if (!SameBytes(pass->text + at + bit + 1, pass->needle + 1, middle)) {
      candidates &= candidates - 1;
      continue;
    }
    const unsigned below = feeds & ((1u << bit) - 1);
    pass->starts->push_back(
        static_cast<uint32_t>(below != 0 ? at + 32 - static_cast<unsigned>(__builtin_clz(below))
                                         : NameStartBefore(pass->text, at)));
    const unsigned above = feeds >> bit;
    if (above == 0) {  // the name goes on past the block: skip to its line feed
      const char* feed = static_cast<const char*>(
          std::memchr(pass->text + at + width, '\n', pass->length - at - width));
      pass->at = static_cast<size_t>(feed - pass->text) + 1;
      return;
    }
    const unsigned feed_bit = bit + static_cast<unsigned>(__builtin_ctz(above));
    candidates &= feed_bit >= 31 ? 0u : ~((2u << feed_bit) - 1);
  }
  pass->at = at + width;
}

__attribute__((target("avx2"))) void NamesAvx2(NamePass* pass) {
  const __m256i first = _mm256_set1_epi8(pass->needle[0]);
  const __m256i last = _mm256_set1_epi8(pass->needle[pass->n - 1]);
  const __m256i feed = _mm256_set1_epi8('\n');
  while (pass->at + 32 <= pass->positions) {
    const char* at = pass->text + pass->at;
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + pass->n - 1));
    const unsigned candidates = static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, last))));
    if (candidates == 0) {
      pass->at += 32;
    } else {
      TakeBlock(pass, candidates,
                static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(head, feed))), 32);
    }
  }
}

__attribute__((target("sse2"))) void NamesSse2(NamePass* pass) {
  const __m128i first = _mm_set1_epi8(pass->needle[0]);
  const __m128i last = _mm_set1_epi8(pass->needle[pass->n - 1]);
  const __m128i feed = _mm_set1_epi8('\n');
  while (pass->at + 16 <= pass->positions) {
    const char* at = pass->text + pass->at;
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + pass->n - 1));
    const unsigned candidates = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last))));
    if (candidates == 0) {
      pass->at += 16;
    } else {
      TakeBlock(pass, candidates,
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(head, feed))), 16);
    }
  }
}

// The positions that a whole vector no longer covers, one by one.
void NamesTail(NamePass* pass) {
  size_t name_start = NameStartBefore(pass->text, pass->at);
  for (size_t i = pass->at; i < pass->positions; ++i) {
    if (pass->text[i] == '\n') {
      name_start = i + 1;
    } else if (pass->text[i] == pass->needle[0] &&
               SameBytes(pass->text + i + 1, pass->needle + 1, pass->n - 1)) {
      pass->starts->push_back(static_cast<uint32_t>(name_start));
      i = static_cast<size_t>(
          static_cast<const char*>(std::memchr(pass->text + i, '\n', pass->length - i)) -
          pass->text);
      name_start = i + 1;
    }
  }
}

bool DetectAvx2() {
  __builtin_cpu_init();  // the test may run before the library's own start-up code
  return __builtin_cpu_supports("avx2") != 0;
}

const bool kHasAvx2 = DetectAvx2();

}  // namespace

const char* FindFirstLast(const char* haystack, size_t length, const char* needle,
                          size_t needle_length) {
  if (needle_length > length) return nullptr;
  if (needle_length == 1) {
    return static_cast<const char*>(std::memchr(haystack, needle[0], length));
  }
  const size_t positions = length - needle_length + 1;
  return kHasAvx2 ? FindAvx2(haystack, positions, needle, needle_length)
                  : FindSse2(haystack, positions, needle, needle_length);
}

void FindNamesHolding(const char* text, size_t length, const char* needle, size_t needle_length,
                      std::vector<uint32_t>* starts) {
  if (needle_length > length) return;
  NamePass pass{text, length, length - needle_length + 1, needle, needle_length, 0, starts};
  if (kHasAvx2) NamesAvx2(&pass);
  NamesSse2(&pass);
  NamesTail(&pass);
}

bool FindFirstLastUsesAvx2() { return kHasAvx2; }

}  // namespace bench
}  // namespace sorvik
