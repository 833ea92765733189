// Fixed vectors that both builds must reproduce: the Win32 build computes them with CryptoAPI
// (the vector was produced under Wine), the native build with Nettle. Equal bytes here mean a
// notice file or a signature made on one build is read the same way on the other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

std::string Hex(const std::vector<uint8_t>& bytes) { return HexUpper(bytes.size(), bytes.data()); }

TEST(CipherVectors, SameBytesOnBothBuilds) {
  // 19 bytes grow to three blocks; the key comes from the whole digest of the phrase.
  std::vector<uint8_t> data = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
                               'a', 'b', 'c', 'd', 'e', 'f', 'X', 'Y', 'Z'};
  ASSERT_TRUE(EncryptWithPassphrase(&data, "moorlark"));
  EXPECT_EQ(Hex(data), "78F2F9731C2634A3EBA9A79E5B11849E5380D5040C4EE648");
  // A whole block of input gets a whole block of padding.
  std::vector<uint8_t> eight(8, 'a');
  ASSERT_TRUE(EncryptWithPassphrase(&eight, "tarsel"));
  EXPECT_EQ(eight.size(), 16u);
  // MD5 of a buffer.
  uint8_t digest[16];
  uint32_t length = sizeof digest;
  ASSERT_TRUE(Md5OfBuffer("abc", 3, digest, &length));
  EXPECT_EQ(HexUpper(length, digest), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(CipherVectors, FileDecryptionUndoesEncryption) {
  testing::TempFolder dir;
  const std::string plain_text = "line one\nline two\n" + std::string(2000, 'x');
  std::vector<uint8_t> data(plain_text.begin(), plain_text.end());
  ASSERT_TRUE(EncryptWithPassphrase(&data, "moorlark"));
  const std::string in = dir.Join("in.bin"), out = dir.Join("out.txt");
  testing::WriteBytes(in, data);
  ASSERT_TRUE(DecryptFileWithPassphrase(in, out, "moorlark"));
  EXPECT_EQ(testing::ReadText(out), plain_text);
  // A wrong phrase breaks the padding of the last block (or, rarely, yields other text).
  const bool wrong = DecryptFileWithPassphrase(in, out, "wrongone");
  EXPECT_TRUE(!wrong || testing::ReadText(out) != plain_text);
  // A length that is not a whole number of blocks cannot be decrypted.
  testing::WriteBytes(in, std::vector<uint8_t>(data.begin(), data.end() - 3));
  EXPECT_FALSE(DecryptFileWithPassphrase(in, out, "moorlark"));
}

}  // namespace
}  // namespace sorvik
