#include <utility>

#include "crypto/crypto_handles_win32.h"
#include "crypto/passphrase_cipher.h"

namespace sorvik {
namespace {

using crypto_internal::ScopedFile;
using crypto_internal::ScopedHash;
using crypto_internal::ScopedKey;

constexpr DWORD kDecryptBlock = 1000;  // a multiple of the cipher's 8-byte block
constexpr DWORD kCipherBlock = 8;      // RC2's block: the most the padding adds

// The RC2 session key derived from the MD5 hash of the pass phrase's bytes (no terminating
// zero), with the provider's default key length.
bool DeriveKey(HCRYPTPROV provider, const std::string& passphrase, ScopedKey* key) {
  ScopedHash hash;
  return CryptCreateHash(provider, CALG_MD5, 0, 0, &hash.handle) &&
         CryptHashData(hash.handle, reinterpret_cast<const BYTE*>(passphrase.data()),
                       static_cast<DWORD>(passphrase.size()), 0) &&
         CryptDeriveKey(provider, CALG_RC2, hash.handle, 0, &key->handle);
}

bool Acquire(HCRYPTPROV* handle, DWORD flags) {
  return CryptAcquireContextA(handle, nullptr, nullptr, PROV_RSA_FULL, flags) != FALSE;
}

// Reads up to kDecryptBlock bytes; false on a read error.
bool ReadBlock(HANDLE file, std::vector<BYTE>* block, DWORD* got) {
  *got = 0;
  return ReadFile(file, block->data(), kDecryptBlock, got, nullptr) != FALSE;
}

// Decrypts `input` into `output` with `key`. Each block is decrypted only after the next one is
// read, so that the last block with data is the final one even when the input's size is a
// multiple of the block.
bool DecryptBlocks(HANDLE input, HANDLE output, HCRYPTKEY key) {
  std::vector<BYTE> current(kDecryptBlock), next(kDecryptBlock);
  DWORD got = 0;
  if (!ReadBlock(input, &current, &got)) return false;
  for (;;) {
    DWORD next_got = 0;
    if (got == kDecryptBlock && !ReadBlock(input, &next, &next_got)) return false;
    const bool last = next_got == 0;
    DWORD length = got;
    if (!CryptDecrypt(key, 0, last ? TRUE : FALSE, 0, current.data(), &length)) return false;
    DWORD written = 0;
    if (!WriteFile(output, current.data(), length, &written, nullptr) || written != length)
      return false;
    if (last) return true;
    std::swap(current, next);
    got = next_got;
  }
}

}  // namespace

KeyContext::~KeyContext() {
  if (handle_ != 0) CryptReleaseContext(static_cast<HCRYPTPROV>(handle_), 0);
}

bool AcquireKeyContext(KeyContext* context) {
  HCRYPTPROV handle = 0;
  bool ok = Acquire(&handle, 0) || Acquire(&handle, CRYPT_NEWKEYSET);
  if (!ok && GetLastError() == static_cast<DWORD>(NTE_EXISTS)) {
    HCRYPTPROV deleted = 0;  // CRYPT_DELETEKEYSET releases the context itself
    Acquire(&deleted, CRYPT_DELETEKEYSET);
    ok = Acquire(&handle, CRYPT_NEWKEYSET);
  }
  if (!ok) return false;
  if (context->handle_ != 0) CryptReleaseContext(static_cast<HCRYPTPROV>(context->handle_), 0);
  context->handle_ = static_cast<uintptr_t>(handle);
  return true;
}

bool EncryptWithPassphrase(uint8_t* buffer, uint32_t* data_length, uint32_t buffer_size,
                           const std::string& passphrase) {
  if (*data_length > buffer_size) return false;
  KeyContext context;
  ScopedKey key;
  if (!AcquireKeyContext(&context) ||
      !DeriveKey(static_cast<HCRYPTPROV>(context.handle()), passphrase, &key))
    return false;
  DWORD length = *data_length;
  if (!CryptEncrypt(key.handle, 0, TRUE, 0, buffer, &length, buffer_size)) return false;
  *data_length = length;
  return true;
}

bool EncryptWithPassphrase(std::vector<uint8_t>* data, const std::string& passphrase) {
  uint32_t length = static_cast<uint32_t>(data->size());
  data->resize(data->size() + kCipherBlock);
  const bool ok =
      EncryptWithPassphrase(data->data(), &length, static_cast<uint32_t>(data->size()), passphrase);
  data->resize(length);  // on failure: the original length, the bytes in an unknown state
  return ok;
}

bool DecryptFileWithPassphrase(const std::string& input, const std::string& output,
                               const std::string& passphrase) {
  ScopedFile in(CreateFileA(input.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.IsOpen()) return false;
  ScopedFile out(CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.IsOpen()) return false;
  KeyContext context;
  ScopedKey key;
  if (!AcquireKeyContext(&context) ||
      !DeriveKey(static_cast<HCRYPTPROV>(context.handle()), passphrase, &key))
    return false;
  return DecryptBlocks(in.handle, out.handle, key.handle);
}

void EnsureUserKeys() {
  crypto_internal::ScopedProvider provider;
  if (!Acquire(&provider.handle, 0) && !Acquire(&provider.handle, CRYPT_NEWKEYSET)) return;
  for (DWORD pair : {static_cast<DWORD>(AT_SIGNATURE), static_cast<DWORD>(AT_KEYEXCHANGE)}) {
    ScopedKey key;
    if (CryptGetUserKey(provider.handle, pair, &key.handle)) continue;
    if (GetLastError() == static_cast<DWORD>(NTE_NO_KEY))
      CryptGenKey(provider.handle, pair, 0, &key.handle);
  }
}

}  // namespace sorvik
