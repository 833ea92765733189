// The signature files beside the update list and the notice file, the version rules and the key
// the program trusts for a server.
#include "update/signed_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/ed25519_signature.h"
#include "update/update_keys.h"

namespace sorvik {
namespace {

TEST(SignedFile, Versions) {
  std::vector<uint32_t> parts;
  EXPECT_TRUE(ParseVersion("1.3.5", &parts));
  EXPECT_EQ(parts, (std::vector<uint32_t>{1, 3, 5}));
  for (const char* bad : {"", "1", "1.", ".1", "1..3", "1.3.5.6.7", "1.-3", "1.3 ", " 1.3", "v1.3",
                          "1.3.5a", "1.9999999", "1.1000000"})
    EXPECT_FALSE(ParseVersion(bad, &parts)) << bad;
  EXPECT_TRUE(IsNewerVersion("1.3.5", "1.3.4"));
  EXPECT_TRUE(IsNewerVersion("1.10.0", "1.9.9"));  // numbers, not text
  EXPECT_TRUE(IsNewerVersion("1.3.4.1", "1.3.4"));
  EXPECT_FALSE(IsNewerVersion("1.3.4", "1.3.4"));
  EXPECT_FALSE(IsNewerVersion("1.3.4.0", "1.3.4"));
  EXPECT_FALSE(IsNewerVersion("1.3.3", "1.3.4"));
  EXPECT_FALSE(IsNewerVersion("1.2.99", "1.3"));
  EXPECT_FALSE(IsNewerVersion("9.9.9 ", "1.3.4"));
  EXPECT_FALSE(IsNewerVersion("2.0", "not a version"));
}

class SignedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeSigningKeys(&keys_));
    ASSERT_TRUE(MakeSigningKeys(&other_));
  }
  std::string Sign(SignedKind kind, const std::string& version, const std::string& body,
                   const SigningKeys& keys) {
    std::string file;
    EXPECT_TRUE(MakeSignatureFile(kind, version, body, keys.secret_hex, &file));
    return file;
  }
  bool Check(SignedKind kind, const std::string& body, const std::string& file,
             std::string* version = nullptr) {
    std::string unused;
    return CheckSignatureFile(kind, body, file, keys_.public_hex, version ? version : &unused);
  }

  SigningKeys keys_, other_;
};

TEST_F(SignedFileTest, ListSignatureCoversListAndVersion) {
  const std::string list = "%AppPath%\\a.dll,1,AB,http://127.0.0.1/a\r\n";
  const std::string file = Sign(SignedKind::kUpdateList, "1.3.5", list, keys_);
  EXPECT_EQ(file.substr(0, 50), "sorvik-signature 1\nkind update-list\nversion 1.3.5\n");
  std::string version;
  ASSERT_TRUE(Check(SignedKind::kUpdateList, list, file, &version));
  EXPECT_EQ(version, "1.3.5");
  {  // The list changed, or the version in the file changed (a downgrade dressed up).
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list + "x", file));
    std::string bumped = file;
    bumped.replace(bumped.find("1.3.5"), 5, "1.3.9");
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, bumped));
  }
  {  // Signed by another key; checked with no key at all.
    EXPECT_FALSE(
        Check(SignedKind::kUpdateList, list, Sign(SignedKind::kUpdateList, "1.3.5", list, other_)));
    std::string unused;
    EXPECT_FALSE(CheckSignatureFile(SignedKind::kUpdateList, list, file, "", &unused));
  }
  {  // A notice signature never passes for a list, nor the other way round.
    const std::string notices = Sign(SignedKind::kNotices, "", list, keys_);
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, notices));
    EXPECT_FALSE(Check(SignedKind::kNotices, list, file));
    EXPECT_TRUE(Check(SignedKind::kNotices, list, notices));
  }
  {  // Damaged forms: empty, extra lines, a second signature line, huge, "\r\n" line ends.
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, ""));
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, "extra\n" + file));
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, file + file.substr(file.find("ed25519"))));
    EXPECT_FALSE(Check(SignedKind::kUpdateList, list, file + std::string(2000, '\n')));
    std::string crlf;
    for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(Check(SignedKind::kUpdateList, list, crlf));
  }
  {  // The publisher cannot sign a list without a version, nor a notice file with one.
    std::string unused;
    EXPECT_FALSE(MakeSignatureFile(SignedKind::kUpdateList, "", list, keys_.secret_hex, &unused));
    EXPECT_FALSE(
        MakeSignatureFile(SignedKind::kUpdateList, "1.3.x", list, keys_.secret_hex, &unused));
    EXPECT_FALSE(MakeSignatureFile(SignedKind::kNotices, "1.3.5", list, keys_.secret_hex, &unused));
  }
}

// Sets (or with null removes) an environment variable of this process.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

TEST(UpdateKeys, OnlyALoopbackServerBringsItsOwnKey) {
  for (const char* server : {"http://127.0.0.1", "http://127.0.0.1:8080", "https://127.0.0.1:1"})
    EXPECT_TRUE(IsLoopbackServer(server)) << server;
  for (const char* server :
       {"http://127.0.0.1.example.net", "http://127.0.0.1@example.net", "http://127.0.0.1:80/x",
        "http://127.0.0.10", "http://localhost:80", "http://example.net/127.0.0.1",
        "ftp://127.0.0.1", "http://127.0.0.1:", "http://127.0.0.1:123456", "http://127.0.0.1:8a"})
    EXPECT_FALSE(IsLoopbackServer(server)) << server;
  SigningKeys keys;
  ASSERT_TRUE(MakeSigningKeys(&keys));
  const std::string built_in = BuiltInPublicKey();
  SetVariable("SORVIK_UPDATE_PUBLIC_KEY", keys.public_hex.c_str());
  EXPECT_EQ(TrustedPublicKey("http://127.0.0.1:8080"), keys.public_hex);
  EXPECT_EQ(TrustedPublicKey("https://update.example.net"), built_in);
  EXPECT_EQ(TrustedPublicKey("http://127.0.0.1.example.net"), built_in);
  SetVariable("SORVIK_UPDATE_PUBLIC_KEY", "not a key");
  EXPECT_EQ(TrustedPublicKey("http://127.0.0.1:8080"), "");  // a broken override trusts nothing
  SetVariable("SORVIK_UPDATE_PUBLIC_KEY", nullptr);
  EXPECT_EQ(TrustedPublicKey("http://127.0.0.1:8080"), built_in);
}

}  // namespace
}  // namespace sorvik
