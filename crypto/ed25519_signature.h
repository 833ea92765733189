// Detached Ed25519 signatures (libsodium): the key pair of whoever publishes the update list and
// the notice file, the signature over a message and its check. Keys and signatures travel as
// lower-case hex text so that they fit in text files, build settings and the environment.
#pragma once

#include <cstddef>
#include <string>

namespace sorvik {

constexpr size_t kEd25519PublicKeyBytes = 32;  // the key compiled into the program
constexpr size_t kEd25519SecretKeyBytes = 64;  // the publisher's private key (seed and public key)
constexpr size_t kEd25519SignatureBytes = 64;  // one detached signature

struct SigningKeys {
  std::string public_hex;  // 64 hex digits
  std::string secret_hex;  // 128 hex digits; never leaves the publisher
};

// A fresh key pair from the system's random source. False when the library cannot start.
bool MakeSigningKeys(SigningKeys* keys);

// The public half of a secret key in hex; false when `secret_hex` is not a well-formed key.
bool PublicKeyOf(const std::string& secret_hex, std::string* public_hex);

// The detached signature of `message` in hex; false when `secret_hex` is not a well-formed key.
bool SignDetached(const std::string& secret_hex, const std::string& message,
                  std::string* signature_hex);

// Whether `signature_hex` is a valid signature of `message` by the key `public_hex`. False for
// any malformed key or signature (wrong length, a character that is not a hex digit).
bool VerifyDetached(const std::string& public_hex, const std::string& message,
                    const std::string& signature_hex);

// Whether `text` is exactly `bytes` bytes written as hex digits (either case).
bool IsHexOfLength(const std::string& text, size_t bytes);

}  // namespace sorvik
