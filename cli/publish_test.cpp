// The publisher's commands. The pinned bytes are the same on both builds: the Win32 build makes
// them with CryptoAPI under Wine, the native build with Nettle, so a notice file or a signature
// published on Linux is what the program on Windows expects.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_test_support.h"
#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "testing/test_util.h"
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

}  // namespace
}  // namespace sorvik
