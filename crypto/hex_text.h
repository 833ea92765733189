// Hex text of digests: two upper-case digits per byte, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sorvik {

// The hex text of the `length` bytes at `bytes` ("00ABFF" for 00 AB FF); length 0 gives "".
std::string HexUpper(size_t length, const uint8_t* bytes);

}  // namespace sorvik
