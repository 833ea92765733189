#include <windows.h>
// Both need the base types of windows.h first.
#include <gtest/gtest.h>
#include <psapi.h>
#include <wincrypt.h>

#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

constexpr char kEmptyMd5[] = "D41D8CD98F00B204E9800998ECF8427E";

std::string FileMd5Text(const std::string& path) {
  Md5Digest digest{};
  if (!Md5OfFile(path, &digest)) return "failed";
  return HexUpper(digest.size(), digest.data());
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 9));
  return bytes;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

TEST(Md5, Buffers) {
  {
    // The standard digests of empty input and of "abc".
    uint8_t digest[kMd5Size];
    uint32_t length = sizeof digest;
    ASSERT_TRUE(Md5OfBuffer("", 0, digest, &length));
    EXPECT_EQ(length, kMd5Size);
    EXPECT_EQ(HexUpper(length, digest), kEmptyMd5);
    ASSERT_TRUE(Md5OfBuffer("abc", 3, digest, &length));
    EXPECT_EQ(HexUpper(length, digest), "900150983CD24FB0D6963F7D28E17F72");
  }
  {
    // Without an output only the size is reported; too little room is a failure.
    uint32_t length = 0;
    EXPECT_TRUE(Md5OfBuffer("abc", 3, nullptr, &length));
    EXPECT_EQ(length, kMd5Size);
    uint8_t small[8];
    length = sizeof small;
    EXPECT_FALSE(Md5OfBuffer("abc", 3, small, &length));
  }
}

TEST(Md5, Files) {
  testing::TempFolder folder;
  {
    // An empty file has the digest of empty input.
    testing::WriteBytes(folder.Join("empty.txt"), {});
    EXPECT_EQ(FileMd5Text(folder.Join("empty.txt")), kEmptyMd5);
  }
  {
    // A file over several read blocks, not a multiple of one, hashes like the same bytes in
    // memory.
    const std::vector<uint8_t> bytes = Pattern(200001);
    testing::WriteBytes(folder.Join("pattern.bin"), bytes);
    uint8_t digest[kMd5Size];
    uint32_t length = sizeof digest;
    ASSERT_TRUE(Md5OfBuffer(bytes.data(), bytes.size(), digest, &length));
    EXPECT_EQ(FileMd5Text(folder.Join("pattern.bin")), HexUpper(length, digest));
    EXPECT_TRUE(Md5OfFile(folder.Join("pattern.bin"), nullptr));
  }
  {
    // A missing file and a folder cannot be hashed.
    EXPECT_FALSE(Md5OfFile(folder.Join("missing.txt"), nullptr));
    EXPECT_FALSE(Md5OfFile(folder.Path(), nullptr));
  }
}

TEST(Md5, FileHeldByAnotherProgram) {
  testing::TempFolder folder;
  const std::string path = folder.Join("held.txt");
  testing::WriteText(path, "abc");
  {
    // Held for writing without sharing: it cannot be opened.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Md5OfFile(path, nullptr));
    CloseHandle(held);
  }
  {
    // Held for writing by a program that lets others read: it hashes.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileMd5Text(path), "900150983CD24FB0D6963F7D28E17F72");
    CloseHandle(held);
  }
}

TEST(Md5, SparseFileOfThreeGiBInConstantMemory) {
  testing::TempFolder folder;
  const std::string path = folder.Join("sparse.bin");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 3LL << 30;
  ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  const size_t peak_before = PeakWorkingSet();
  ASSERT_GT(peak_before, 0u);  // the measure works here
  // The digest of 3 GiB of zero bytes.
  EXPECT_EQ(FileMd5Text(path), "C698C87FB53058D493492B61F4C74189");
  EXPECT_LT(PeakWorkingSet() - peak_before, size_t{16} << 20);
}

TEST(PassphraseCipher, RoundTripThroughAFile) {
  testing::TempFolder folder;
  // Sizes around the cipher block and the decryption block: 992 bytes encrypt to exactly 1000,
  // so the input ends right at a block's end.
  for (size_t size : {size_t{0}, size_t{5}, size_t{8}, size_t{992}, size_t{2500}}) {
    const std::vector<uint8_t> plain = Pattern(size);
    std::vector<uint8_t> cipher = plain;
    ASSERT_TRUE(EncryptWithPassphrase(&cipher, "notice-key")) << size;
    EXPECT_EQ(cipher.size(), (size / 8 + 1) * 8) << size;
    if (size >= 8) {
      EXPECT_NE(std::vector<uint8_t>(cipher.begin(), cipher.begin() + 8),
                std::vector<uint8_t>(plain.begin(), plain.begin() + 8));
    }
    testing::WriteBytes(folder.Join("cipher.bin"), cipher);
    ASSERT_TRUE(DecryptFileWithPassphrase(folder.Join("cipher.bin"), folder.Join("plain.bin"),
                                          "notice-key"))
        << size;
    EXPECT_EQ(testing::ReadBytes(folder.Join("plain.bin")), plain) << size;
    // Another pass phrase never gives the text back.
    const bool other =
        DecryptFileWithPassphrase(folder.Join("cipher.bin"), folder.Join("other.bin"), "wrong-key");
    if (other && size > 0) {
      EXPECT_NE(testing::ReadBytes(folder.Join("other.bin")), plain);
    }
  }
}

TEST(PassphraseCipher, Failures) {
  testing::TempFolder folder;
  {
    // A buffer without room for the padding.
    uint8_t buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(EncryptWithPassphrase(buffer, &length, sizeof buffer, "key"));
    length = 9;
    EXPECT_FALSE(EncryptWithPassphrase(buffer, &length, sizeof buffer, "key"));
  }
  {
    // A missing input creates no output; a cut-off cipher text fails.
    EXPECT_FALSE(DecryptFileWithPassphrase(folder.Join("missing"), folder.Join("out"), "key"));
    EXPECT_EQ(GetFileAttributesA(folder.Join("out").c_str()), INVALID_FILE_ATTRIBUTES);
    std::vector<uint8_t> cipher = Pattern(100);
    ASSERT_TRUE(EncryptWithPassphrase(&cipher, "key"));
    cipher.resize(cipher.size() - 3);
    testing::WriteBytes(folder.Join("cut.bin"), cipher);
    EXPECT_FALSE(DecryptFileWithPassphrase(folder.Join("cut.bin"), folder.Join("out"), "key"));
  }
}

TEST(PassphraseCipher, UserKeys) {
  EnsureUserKeys();
  KeyContext context;
  ASSERT_TRUE(AcquireKeyContext(&context));
  EXPECT_NE(context.handle(), 0u);
  // Both key pairs exist afterwards.
  for (DWORD pair : {static_cast<DWORD>(AT_SIGNATURE), static_cast<DWORD>(AT_KEYEXCHANGE)}) {
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CryptGetUserKey(static_cast<HCRYPTPROV>(context.handle()), pair, &key)) << pair;
    if (key != 0) CryptDestroyKey(key);
  }
}

}  // namespace
}  // namespace sorvik
