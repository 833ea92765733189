#include "crypto/hex_text.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace sorvik {
namespace {

TEST(HexUpper, DigitsAndLength) {
  {
    // Two upper-case digits per byte, high nibble first.
    const uint8_t bytes[] = {0x00, 0xAB, 0xFF};
    EXPECT_EQ(HexUpper(3, bytes), "00ABFF");
  }
  {
    // Nothing gives an empty text; a shorter length stops early.
    const uint8_t bytes[] = {0x12, 0x34};
    EXPECT_EQ(HexUpper(0, bytes), "");
    EXPECT_EQ(HexUpper(1, bytes), "12");
  }
  {
    // Every byte value, against the C library's own formatting.
    for (int value = 0; value < 256; ++value) {
      const uint8_t byte = static_cast<uint8_t>(value);
      char expected[3];
      std::snprintf(expected, sizeof expected, "%02X", value);
      EXPECT_EQ(HexUpper(1, &byte), expected) << value;
    }
  }
}

}  // namespace
}  // namespace sorvik
