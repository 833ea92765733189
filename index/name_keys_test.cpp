#include "index/name_keys.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

using Keys = std::vector<uint32_t>;

Keys Tokenize(const std::string& text) {
  return TokenizeName(text, static_cast<uint32_t>(text.size()));
}

// Two GBK characters: U+4E2D and U+6587.
const char kZhong[] = "\xD6\xD0";
const char kWen[] = "\xCE\xC4";

TEST(TokenizeName, KeysOfSingleAndDoubleByteCharacters) {
  // Pairs of single-byte characters, letters folded to 1..26.
  EXPECT_EQ(Tokenize("ab"), Keys({0x0102}));
  EXPECT_EQ(Tokenize("abc"), Keys({0x0102, 0x0203}));
  EXPECT_EQ(Tokenize("a"), Keys());
  EXPECT_EQ(Tokenize(""), Keys());
  EXPECT_EQ(Tokenize("A_b"), Keys({0x011D, 0x1D02}));
  // Two double-byte characters give their own codes and no bridge between them.
  EXPECT_EQ(Tokenize(std::string(kZhong) + kWen), Keys({0xD6D0, 0xCEC4}));
  // A double-byte character then a letter: the character and a bridge from its second byte.
  EXPECT_EQ(Tokenize(std::string(kZhong) + "a"), Keys({0xD6D0, 0xD001}));
  // A letter then a double-byte character: the pair into the lead byte, then the character.
  EXPECT_EQ(Tokenize(std::string("a") + kZhong), Keys({0x01D6, 0xD6D0}));
  // A bridge goes only into 1..126: not into DEL.
  EXPECT_EQ(Tokenize(std::string(kZhong) + "\x7F"), Keys({0xD6D0}));
  EXPECT_EQ(Tokenize(std::string(kZhong) + "1"), Keys({0xD6D0, 0xD031}));
}

TEST(TokenizeName, Folding) {
  // Letter case does not matter; digits and punctuation stay as they are.
  EXPECT_EQ(Tokenize("Report_2008"), Tokenize("report_2008"));
  EXPECT_EQ(Tokenize("x.1-"), Keys({0x182E, 0x2E31, 0x312D}));
  // "[" folds to 27 and "{" to 30, so [a] and {a} differ.
  EXPECT_EQ(Tokenize("[a]"), Keys({0x1B01, 0x011C}));
  EXPECT_EQ(Tokenize("{a}"), Keys({0x1E01, 0x011F}));
  // Trail bytes that look like letters stay unchanged ("\x81" + "a" is one character).
  EXPECT_EQ(Tokenize("\x81"
                     "ab"),
            Keys({0x8161, 0x6102}));
}

TEST(TokenizeName, ByteLimits) {
  std::string zhong_a = std::string("a") + kZhong;
  // A limit that would split a double-byte character leaves the character out whole.
  EXPECT_EQ(TokenizeName(zhong_a, 2), Keys());
  EXPECT_EQ(TokenizeName(zhong_a, 3), Keys({0x01D6, 0xD6D0}));
  EXPECT_EQ(TokenizeName("abcdef", 3), Keys({0x0102, 0x0203}));
  // A limit above 254 cuts a 300-byte keyword to its first 254 bytes as they are.
  std::string long_word;
  for (int i = 0; i < 300; ++i) long_word += static_cast<char>('a' + i % 26);
  Keys cut = TokenizeName(long_word, 300);
  EXPECT_EQ(cut.size(), 253u);
  EXPECT_EQ(cut, TokenizeName(long_word.substr(0, 254), 254));
  // A large limit on a short text takes the text and nothing beyond it.
  EXPECT_EQ(TokenizeName("abc", 1000), Keys({0x0102, 0x0203}));
  // The 254-byte cut may split a double-byte character: its lead byte still pairs with the
  // byte before it.
  std::string split = std::string(253, 'a') + kZhong;
  Keys split_keys = TokenizeName(split, 300);
  ASSERT_EQ(split_keys.size(), 253u);
  EXPECT_EQ(split_keys.back(), 0x01D6u);
  // With a limit of 254 that character is left out whole.
  EXPECT_EQ(TokenizeName(split, 254).size(), 252u);
}

TEST(TokenizeName, MalformedTextStaysInBounds) {
  // A lead byte at the very end has no trail byte: it pairs with the byte before it only.
  EXPECT_EQ(Tokenize("ab\xD6"), Keys({0x0102, 0x02D6}));
  EXPECT_EQ(TokenizeName(std::string("ab\xD6"), 500), Keys({0x0102, 0x02D6}));
  // A zero byte ends the text.
  EXPECT_EQ(TokenizeName(std::string("ab\0cd", 5), 5), Keys({0x0102}));
  // A text of lead bytes only gives at most one key per byte and never more than 253.
  std::string leads(400, '\xFE');
  EXPECT_EQ(TokenizeName(leads, 400).size(), 127u);
  EXPECT_LE(TokenizeName(leads, 254).size(), names::kMaxNameKeys);
}

TEST(TokenizeName, FoldsEverySingleByteCharacter) {
  // Each character before a letter: letters to 1..26, "[]_{}" to 27..31, all else unchanged.
  const std::string specials = "[]_{}";
  for (int c = 1; c < 0x80; ++c) {
    uint32_t folded = static_cast<uint32_t>(c);
    if (c >= 'a' && c <= 'z') folded = static_cast<uint32_t>(c - 'a' + 1);
    if (c >= 'A' && c <= 'Z') folded = static_cast<uint32_t>(c - 'A' + 1);
    if (specials.find(static_cast<char>(c)) != std::string::npos) {
      folded = static_cast<uint32_t>(specials.find(static_cast<char>(c)) + 27);
    }
    EXPECT_EQ(Tokenize(std::string(1, static_cast<char>(c)) + "a"), Keys({folded * 256 + 1})) << c;
  }
}

}  // namespace
}  // namespace sorvik
