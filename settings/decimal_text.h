// Decimal numbers stored as text in the settings and favourites files.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

// Reads the leading decimal integer of `text` the way atoi does: optional white space (space,
// \t \n \v \f \r), an optional sign, then digits; text that does not start with a number gives
// 0. Unlike atoi, a value beyond the 32-bit range is clamped to INT32_MIN or INT32_MAX.
int32_t ParseDecimal(const std::string& text);

}  // namespace sorvik
