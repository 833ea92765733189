// The tests' one source of generated names: a seeded random sequence that is the same on every
// build, and names of the shapes that catch faults in keys, matching and the record format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {
namespace testing {

// A small linear congruential sequence: the same seed gives the same numbers everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 2862933555777941757ULL + 3037000493ULL) {}
  // A number in [0, bound). REQUIRES: bound > 0.
  uint32_t Next(uint32_t bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((state_ >> 33) % bound);
  }

 private:
  uint64_t state_;
};

// A file or folder name of at most `max_bytes` bytes: ASCII words in both cases, the characters
// the keys fold, GBK words and digits, one name in twelve hidden (a leading "."), some long
// enough for 127 keys; ends with "~" + `serial` (unique in a folder) and one of a dozen
// extensions, which `extension` receives when given (empty for none). Never ends on half a GBK
// character, a blank or a dot before the suffix.
std::string RandomName(Random* random, uint32_t serial, size_t max_bytes,
                       std::string* extension = nullptr);

// `count` names of every shape the key builder meets: one character, 100 to 260 bytes, all GBK,
// mixed GBK and ASCII with the folded punctuation.
std::vector<std::string> MixedNames(uint32_t count, uint32_t seed);

}  // namespace testing
}  // namespace sorvik
