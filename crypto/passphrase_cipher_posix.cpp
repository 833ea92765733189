// Pass-phrase encryption where CryptoAPI is absent, byte-compatible with the Win32 build: the
// key is the whole 16-byte MD5 digest of the phrase, used as an RC2 key with 128 effective bits
// (what the default full RSA provider derives), in CBC mode with a zero initial vector and
// PKCS#5 padding of the final block. Nettle supplies RC2, MD5 and CBC.
#include <nettle/arctwo.h>
#include <nettle/cbc.h>
#include <nettle/md5.h>

#include <cstring>

#include "crypto/passphrase_cipher.h"
#include "platform/file.h"

namespace sorvik {
namespace {

constexpr uint32_t kCipherBlock = ARCTWO_BLOCK_SIZE;  // 8 bytes
constexpr uint32_t kEffectiveBits = 128;              // the provider's effective key length
constexpr uint32_t kDecryptBlock = 1000;              // as on Win32: a multiple of the block

void DeriveKey(const std::string& passphrase, arctwo_ctx* key) {
  uint8_t digest[MD5_DIGEST_SIZE];
  md5_ctx hash;
  md5_init(&hash);
  md5_update(&hash, passphrase.size(), reinterpret_cast<const uint8_t*>(passphrase.data()));
  md5_digest(&hash, sizeof digest, digest);
  arctwo_set_key_ekb(key, sizeof digest, digest, kEffectiveBits);
}

// Decrypts whole blocks in place, chaining through `iv`.
void DecryptInPlace(const arctwo_ctx& key, uint8_t* iv, uint8_t* data, size_t length) {
  cbc_decrypt(&key, reinterpret_cast<nettle_cipher_func*>(arctwo_decrypt), kCipherBlock, iv, length,
              data, data);
}

// Checks and strips the padding of the final block; false when it is not valid padding.
bool StripPadding(const uint8_t* data, uint32_t* length) {
  if (*length == 0) return false;
  const uint8_t pad = data[*length - 1];
  if (pad == 0 || pad > kCipherBlock || pad > *length) return false;
  for (uint32_t i = 0; i < pad; ++i) {
    if (data[*length - 1 - i] != pad) return false;
  }
  *length -= pad;
  return true;
}

// Reads up to kDecryptBlock bytes; `got` 0 at the end.
bool ReadBlock(WinFile* file, uint8_t* block, uint32_t* got, uint64_t* left) {
  const uint32_t want = *left < kDecryptBlock ? static_cast<uint32_t>(*left) : kDecryptBlock;
  *got = want == 0 ? 0 : file->Read(block, want);
  if (*got != want) return false;
  *left -= want;
  return true;
}

bool DecryptBlocks(WinFile* input, WinFile* output, const arctwo_ctx& key) {
  uint8_t iv[kCipherBlock] = {};
  uint8_t current[kDecryptBlock], next[kDecryptBlock];
  uint64_t left = input->Size();
  uint32_t got = 0;
  if (!ReadBlock(input, current, &got, &left)) return false;
  for (;;) {
    uint32_t next_got = 0;
    if (!ReadBlock(input, next, &next_got, &left)) return false;
    const bool last = next_got == 0;
    if (got % kCipherBlock != 0 || (last && got == 0)) return false;
    DecryptInPlace(key, iv, current, got);
    uint32_t length = got;
    if (last && !StripPadding(current, &length)) return false;
    if (length != 0 && output->Write(current, length) != length) return false;
    if (last) return true;
    std::memcpy(current, next, next_got);
    got = next_got;
  }
}

}  // namespace

KeyContext::~KeyContext() = default;

// No key container exists here: the context stands for "keys are available".
bool AcquireKeyContext(KeyContext* context) {
  context->handle_ = 1;
  return true;
}

bool EncryptWithPassphrase(uint8_t* buffer, uint32_t* data_length, uint32_t buffer_size,
                           const std::string& passphrase) {
  const uint32_t length = *data_length;
  const uint32_t padded = (length / kCipherBlock + 1) * kCipherBlock;
  if (length > buffer_size || padded > buffer_size) return false;
  std::memset(buffer + length, static_cast<int>(padded - length), padded - length);
  arctwo_ctx key;
  DeriveKey(passphrase, &key);
  uint8_t iv[kCipherBlock] = {};
  cbc_encrypt(&key, reinterpret_cast<nettle_cipher_func*>(arctwo_encrypt), kCipherBlock, iv, padded,
              buffer, buffer);
  *data_length = padded;
  return true;
}

bool EncryptWithPassphrase(std::vector<uint8_t>* data, const std::string& passphrase) {
  uint32_t length = static_cast<uint32_t>(data->size());
  data->resize(data->size() + kCipherBlock);
  const bool ok =
      EncryptWithPassphrase(data->data(), &length, static_cast<uint32_t>(data->size()), passphrase);
  data->resize(length);
  return ok;
}

bool DecryptFileWithPassphrase(const std::string& input, const std::string& output,
                               const std::string& passphrase) {
  std::unique_ptr<WinFile> in = OpenWinFile(input, kOpenExisting);
  if (!in) return false;
  std::unique_ptr<WinFile> out = OpenWinFile(output, kOpenAlways);
  if (!out || !out->SetSize(0)) return false;
  arctwo_ctx key;
  DeriveKey(passphrase, &key);
  return DecryptBlocks(in.get(), out.get(), key);
}

void EnsureUserKeys() {}

}  // namespace sorvik
