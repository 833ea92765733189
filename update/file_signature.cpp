#include "update/file_signature.h"

#include <cstdint>
#include <cstring>

#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "update/update_keys.h"

namespace sorvik {

bool FileSignature(const std::string& path, std::string* signature) {
  EnsureUserKeys();
  Md5Digest digest;
  if (!Md5OfFile(path, &digest)) return false;
  uint8_t buffer[100] = {};
  std::memcpy(buffer, digest.data(), digest.size());
  uint32_t length = kMd5Size;
  if (!EncryptWithPassphrase(buffer, &length, sizeof buffer, kUpdatePassphrase)) return false;
  *signature = HexUpper(length, buffer);
  return true;
}

}  // namespace sorvik
