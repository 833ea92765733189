// The publisher's commands. The pinned bytes are the same on both builds: the Win32 build makes
// them with CryptoAPI under Wine, the native build with Nettle, so a notice file or a signature
// published on Linux is what the program on Windows expects.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_test_support.h"
#include "crypto/ed25519_signature.h"
#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/fs.h"
#include "testing/test_util.h"
#include "update/signed_file.h"
#include "update/update_formats.h"
#include "update/update_keys.h"

namespace sorvik {
namespace {

using testing::ReadBytes;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

using PublishRun = CliRun;

TEST(PublishNotices, MakesTheFileTheProgramReads) {
  TempFolder dir;
  const std::string text = "第一条\thttp://127.0.0.1/\t提示\nabcd\n";
  WriteText(dir.Join("notices.txt"), text);
  PublishRun run({"publish", "notices", dir.Join("notices.txt"), dir.Join("advertising.txt")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<uint8_t> file = ReadBytes(dir.Join("advertising.txt"));
  EXPECT_EQ(HexUpper(file.size(), file.data()),
            "572050518A34F2872517EDA9CCEBE7BE97F82E969FE95066196DCEA42794090F944DB5F0E477D45746E593"
            "9B30B5BFE729A3103899552144");
  // Read back the way the program does: the digest at the end, the body decrypted before it.
  ASSERT_GT(file.size(), 19u);
  WriteText(dir.Join("body.bin"), std::string(file.begin(), file.end() - kMd5Size));
  ASSERT_TRUE(
      DecryptFileWithPassphrase(dir.Join("body.bin"), dir.Join("plain.txt"), kNoticePassphrase));
  const std::string plain = ReadText(dir.Join("plain.txt"));
  EXPECT_EQ(plain, text);
  Md5Digest digest;
  uint32_t length = kMd5Size;
  ASSERT_TRUE(Md5OfBuffer(plain.data(), plain.size(), digest.data(), &length));
  EXPECT_TRUE(std::equal(digest.begin(), digest.end(), file.end() - kMd5Size));
  EXPECT_EQ(ParseNoticeLines(plain).size(), 2u);
}

TEST(PublishNotices, Failures) {
  TempFolder dir;
  EXPECT_EQ(PublishRun({"publish", "notices", dir.Join("missing.txt"), dir.Join("out")}).status, 1);
  WriteText(dir.Join("big.txt"), std::string(kMaxNoticeFileBytes, 'x'));
  EXPECT_EQ(PublishRun({"publish", "notices", dir.Join("big.txt"), dir.Join("out")}).status, 1);
  EXPECT_EQ(PublishRun({"publish", "notices", dir.Join("big.txt")}).status, 2);
  EXPECT_EQ(PublishRun({"publish"}).status, 2);
  EXPECT_EQ(PublishRun({"publish", "sign"}).status, 2);
}

TEST(PublishSign, OneLinePerFile) {
  TempFolder dir;
  WriteText(dir.Join("a.dll"), "Sorvik\n");
  WriteText(dir.Join("empty"), "");
  PublishRun run({"publish", "sign", dir.Join("a.dll"), dir.Join("missing"), dir.Join("empty")});
  EXPECT_EQ(run.status, 1);  // one file could not be read; the others are still signed
  EXPECT_EQ(run.out, "9524DB034E7168754C0C5BD206702E68649B5BD2978A444B\t" + dir.Join("a.dll") +
                         "\n5205A986F36487F069DDE919BFF6EC71FC093EC641534AB0\t" +
                         dir.Join("empty") + "\n");
  EXPECT_NE(run.err.find("missing"), std::string::npos);
}

// The key pair, the signed list and the signed notice file, checked the way the program checks
// them.
TEST(PublishSigned, KeygenListAndNotices) {
  TempFolder dir;
  const std::string key = dir.Join("KEY");
  ASSERT_EQ(PublishRun({"publish", "keygen", key}).status, 0);
  const std::string secret = ReadText(key), public_key = ReadText(key + ".pub");
  ASSERT_EQ(public_key.size(), 65u);
  const std::string public_hex = public_key.substr(0, 64);
  EXPECT_TRUE(IsHexOfLength(public_hex, kEd25519PublicKeyBytes));
  EXPECT_EQ(secret.size(), 129u);
  {  // An existing key is never replaced.
    EXPECT_EQ(PublishRun({"publish", "keygen", key}).status, 1);
    EXPECT_EQ(ReadText(key), secret);
    EXPECT_EQ(ReadText(key + ".pub"), public_key);
  }
  const std::string list = "%AppPath%\\a.dll,1,ABC,http://127.0.0.1/a\r\n";
  WriteText(dir.Join("update.txt"), list);
  {  // The list and its version, signed; the options in any order.
    PublishRun run({"publish", "list", "--key", key, "--version", "1.3.5", dir.Join("update.txt")});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string version;
    EXPECT_TRUE(CheckSignatureFile(SignedKind::kUpdateList, list,
                                   ReadText(dir.Join("update.txt.sig")), public_hex, &version));
    EXPECT_EQ(version, "1.3.5");
    ASSERT_EQ(
        PublishRun({"publish", "list", dir.Join("update.txt"), "--version", "1.4", "--key", key})
            .status,
        0);
    EXPECT_TRUE(CheckSignatureFile(SignedKind::kUpdateList, list,
                                   ReadText(dir.Join("update.txt.sig")), public_hex, &version));
    EXPECT_EQ(version, "1.4");
  }
  {  // The notice file and its signature.
    WriteText(dir.Join("notices.txt"), "第一条\thttp://127.0.0.1/\t提示\n");
    PublishRun run(
        {"publish", "notices", dir.Join("notices.txt"), dir.Join("advertising.txt"), "--key", key});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string version;
    EXPECT_TRUE(CheckSignatureFile(SignedKind::kNotices, ReadText(dir.Join("advertising.txt")),
                                   ReadText(dir.Join("advertising.txt.sig")), public_hex,
                                   &version));
  }
  RemoveFile(dir.Join("update.txt.sig"));
  {  // Usage errors: no key, no version, a bad version, an option twice or without its value.
    const std::string file = dir.Join("update.txt");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"publish", "list", "--version", "1.3.5", file},
             {"publish", "list", "--key", key, file},
             {"publish", "list", "--key", key, "--version", "1.3.x", file},
             {"publish", "list", "--key", key, "--key", key, "--version", "1.3.5", file},
             {"publish", "list", "--key", key, "--version", "1.3.5", file, "--key"},
             {"publish", "keygen"},
             {"publish", "notices", file, file, "--version", "1.3.5"}})
      EXPECT_EQ(PublishRun(args).status, 2) << args.size();
  }
  {  // Failures: the public key as the private one, a missing or unusable list.
    EXPECT_EQ(PublishRun({"publish", "list", "--key", key + ".pub", "--version", "1.3.5",
                          dir.Join("update.txt")})
                  .status,
              1);
    EXPECT_EQ(
        PublishRun({"publish", "list", "--key", key, "--version", "1.3.5", dir.Join("missing.txt")})
            .status,
        1);
    WriteText(dir.Join("bad.txt"), "%AppPath%\\a.dll,1\n");
    EXPECT_EQ(
        PublishRun({"publish", "list", "--key", key, "--version", "1.3.5", dir.Join("bad.txt")})
            .status,
        1);
    EXPECT_FALSE(PathExists(dir.Join("update.txt.sig")));
    EXPECT_FALSE(PathExists(dir.Join("bad.txt.sig")));
  }
}

}  // namespace
}  // namespace sorvik
