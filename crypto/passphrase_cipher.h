// Encryption with a key derived from a pass phrase (RC2, keyed by the MD5 hash of the phrase's
// bytes) in the user's default key container of the full RSA provider. The notice download and
// the update-file check use the same helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

// A provider context on the user's default key container; released when destroyed.
class KeyContext {
 public:
  KeyContext() = default;
  ~KeyContext();
  KeyContext(const KeyContext&) = delete;
  KeyContext& operator=(const KeyContext&) = delete;

  uintptr_t handle() const { return handle_; }  // 0 while not acquired

 private:
  friend bool AcquireKeyContext(KeyContext* context);
  uintptr_t handle_ = 0;  // the provider handle
};

// Opens the user's default key container, creating it when it does not exist; a container that
// can be neither opened nor created (a damaged one) is deleted and made again.
bool AcquireKeyContext(KeyContext* context);

// Encrypts the first `*data_length` bytes of `buffer` in place as one final block. On success
// `*data_length` is the encrypted length (up to one cipher block longer). False, with the buffer
// in an unknown state, when `buffer_size` has no room for the padding or a provider call fails.
bool EncryptWithPassphrase(uint8_t* buffer, uint32_t* data_length, uint32_t buffer_size,
                           const std::string& passphrase);
// The same for a byte vector, which grows by the padding.
bool EncryptWithPassphrase(std::vector<uint8_t>* data, const std::string& passphrase);

// Decrypts the file `input` into `output` in blocks of 1000 bytes, the last block with data being
// the final one. True only when the whole input was read, decrypted and written; on failure the
// output may hold part of the text. Both files are closed in every case.
bool DecryptFileWithPassphrase(const std::string& input, const std::string& output,
                               const std::string& passphrase);

// Makes sure the user's default key container exists and holds a signature and a key-exchange
// key pair, generating the missing ones. Never fails: a pair that cannot be made is left out and
// the helpers that need the container report their own failures.
void EnsureUserKeys();

}  // namespace sorvik
