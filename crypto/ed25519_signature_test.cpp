// The Ed25519 wrapper: the published test vector, and every malformed or tampered input refused.
#include "crypto/ed25519_signature.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvik {
namespace {

// RFC 8032, section 7.1, test 1: the empty message.
const std::string kVectorSeed = "9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60";
const std::string kVectorPublic =
    "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a";
const std::string kVectorSignature =
    "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9"
    "b46bd25bf5f0595bbe24655141438e7a100b";

TEST(Ed25519, PublishedVector) {
  const std::string secret = kVectorSeed + kVectorPublic;
  std::string signature, public_key;
  ASSERT_TRUE(SignDetached(secret, "", &signature));
  EXPECT_EQ(signature, kVectorSignature);
  ASSERT_TRUE(PublicKeyOf(secret, &public_key));
  EXPECT_EQ(public_key, kVectorPublic);
  EXPECT_TRUE(VerifyDetached(kVectorPublic, "", kVectorSignature));
}

TEST(Ed25519, FreshKeysAndRefusals) {
  SigningKeys keys, other;
  ASSERT_TRUE(MakeSigningKeys(&keys));
  ASSERT_TRUE(MakeSigningKeys(&other));
  EXPECT_NE(keys.secret_hex, other.secret_hex);
  EXPECT_TRUE(IsHexOfLength(keys.public_hex, kEd25519PublicKeyBytes));
  EXPECT_TRUE(IsHexOfLength(keys.secret_hex, kEd25519SecretKeyBytes));
  const std::string message("list\0with a zero byte", 21);
  std::string signature;
  ASSERT_TRUE(SignDetached(keys.secret_hex, message, &signature));
  EXPECT_TRUE(VerifyDetached(keys.public_hex, message, signature));
  {  // Another key, another message, a flipped bit of the signature.
    EXPECT_FALSE(VerifyDetached(other.public_hex, message, signature));
    EXPECT_FALSE(VerifyDetached(keys.public_hex, message.substr(0, 20), signature));
    std::string flipped = signature;
    flipped[10] = flipped[10] == '0' ? '1' : '0';
    EXPECT_FALSE(VerifyDetached(keys.public_hex, message, flipped));
  }
  {  // Malformed keys and signatures: short, long, not hex, empty.
    EXPECT_FALSE(VerifyDetached(keys.public_hex, message, signature.substr(2)));
    EXPECT_FALSE(VerifyDetached(keys.public_hex, message, signature + "00"));
    EXPECT_FALSE(VerifyDetached(keys.public_hex, message, "zz" + signature.substr(2)));
    EXPECT_FALSE(VerifyDetached("", message, signature));
    EXPECT_FALSE(VerifyDetached(keys.public_hex + " ", message, signature));
    std::string unused;
    EXPECT_FALSE(SignDetached(keys.public_hex, message, &unused));
    EXPECT_FALSE(SignDetached("", message, &unused));
    EXPECT_FALSE(PublicKeyOf(keys.secret_hex.substr(1), &unused));
  }
  {  // An all-zero public key (a small-order point) accepts nothing.
    EXPECT_FALSE(VerifyDetached(std::string(64, '0'), message, std::string(128, '0')));
  }
}

}  // namespace
}  // namespace sorvik
