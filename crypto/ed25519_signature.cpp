#include "crypto/ed25519_signature.h"

#include <sodium.h>

#include <cctype>
#include <vector>

namespace sorvik {
namespace {

static_assert(crypto_sign_PUBLICKEYBYTES == kEd25519PublicKeyBytes, "public key width");
static_assert(crypto_sign_SECRETKEYBYTES == kEd25519SecretKeyBytes, "secret key width");
static_assert(crypto_sign_BYTES == kEd25519SignatureBytes, "signature width");

// sodium_init is safe to call from several threads and more than once.
bool LibraryReady() { return sodium_init() >= 0; }

// The bytes of `text` when it is exactly `bytes` bytes in hex.
bool DecodeHex(const std::string& text, size_t bytes, std::vector<unsigned char>* out) {
  if (!IsHexOfLength(text, bytes)) return false;
  out->assign(bytes, 0);
  size_t length = 0;
  return sodium_hex2bin(out->data(), bytes, text.data(), text.size(), nullptr, &length, nullptr) ==
             0 &&
         length == bytes;
}

std::string EncodeHex(const unsigned char* bytes, size_t length) {
  std::string text(length * 2 + 1, '\0');
  sodium_bin2hex(&text[0], text.size(), bytes, length);
  text.pop_back();
  return text;
}

}  // namespace

bool IsHexOfLength(const std::string& text, size_t bytes) {
  if (text.size() != bytes * 2) return false;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

bool MakeSigningKeys(SigningKeys* keys) {
  if (!LibraryReady()) return false;
  unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
  unsigned char secret_key[crypto_sign_SECRETKEYBYTES];
  if (crypto_sign_keypair(public_key, secret_key) != 0) return false;
  keys->public_hex = EncodeHex(public_key, sizeof public_key);
  keys->secret_hex = EncodeHex(secret_key, sizeof secret_key);
  sodium_memzero(secret_key, sizeof secret_key);
  return true;
}

bool PublicKeyOf(const std::string& secret_hex, std::string* public_hex) {
  std::vector<unsigned char> secret;
  if (!LibraryReady() || !DecodeHex(secret_hex, crypto_sign_SECRETKEYBYTES, &secret)) return false;
  unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
  const bool ok = crypto_sign_ed25519_sk_to_pk(public_key, secret.data()) == 0;
  sodium_memzero(secret.data(), secret.size());
  if (ok) *public_hex = EncodeHex(public_key, sizeof public_key);
  return ok;
}

bool SignDetached(const std::string& secret_hex, const std::string& message,
                  std::string* signature_hex) {
  std::vector<unsigned char> secret;
  if (!LibraryReady() || !DecodeHex(secret_hex, crypto_sign_SECRETKEYBYTES, &secret)) return false;
  unsigned char signature[crypto_sign_BYTES];
  const bool ok = crypto_sign_detached(signature, nullptr,
                                       reinterpret_cast<const unsigned char*>(message.data()),
                                       message.size(), secret.data()) == 0;
  sodium_memzero(secret.data(), secret.size());
  if (ok) *signature_hex = EncodeHex(signature, sizeof signature);
  return ok;
}

bool VerifyDetached(const std::string& public_hex, const std::string& message,
                    const std::string& signature_hex) {
  std::vector<unsigned char> public_key, signature;
  return LibraryReady() && DecodeHex(public_hex, crypto_sign_PUBLICKEYBYTES, &public_key) &&
         DecodeHex(signature_hex, crypto_sign_BYTES, &signature) &&
         crypto_sign_verify_detached(signature.data(),
                                     reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), public_key.data()) == 0;
}

}  // namespace sorvik
