// MD5 digests where CryptoAPI is absent: Nettle's MD5, with the same results and contracts as
// the CryptoAPI version.
#include <nettle/md5.h>

#include <vector>

#include "crypto/md5.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace sorvik {
namespace {

constexpr uint32_t kReadBlock = 1024;  // bytes hashed at a time, as on Win32

// Hashes a file that cannot be opened for writing (read-only) through a read-only mapping.
bool Md5OfMappedFile(const std::string& path, Md5Digest* out) {
  MappedFile file;
  uint64_t size = 0;
  if (!FileSizeOf(path, &size) || size > UINT32_MAX) return false;
  if (size != 0 && (!file.Map(path, kFlagSequentialScan) || file.Size() != size)) return false;
  md5_ctx context;
  md5_init(&context);
  if (size != 0) md5_update(&context, file.Size(), file.Data());
  Md5Digest digest;
  md5_digest(&context, kMd5Size, digest.data());
  if (out != nullptr) *out = digest;
  return true;
}

}  // namespace

bool Md5OfFile(const std::string& path, Md5Digest* out) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  if (!file) return Md5OfMappedFile(path, out);
  md5_ctx context;
  md5_init(&context);
  std::vector<uint8_t> block(kReadBlock);
  const uint64_t size = file->Size();
  uint64_t done = 0;
  while (done < size) {
    const uint32_t got = file->Read(block.data(), kReadBlock);
    if (got == 0) return false;  // a read error before the end
    md5_update(&context, got, block.data());
    done += got;
  }
  Md5Digest digest;
  md5_digest(&context, kMd5Size, digest.data());
  if (out != nullptr) *out = digest;
  return true;
}

bool Md5OfBuffer(const void* bytes, size_t length, uint8_t* out, uint32_t* hash_length) {
  if (out != nullptr) {
    if (*hash_length < kMd5Size) return false;
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, length, static_cast<const uint8_t*>(bytes));
    md5_digest(&context, kMd5Size, out);
  }
  *hash_length = kMd5Size;
  return true;
}

}  // namespace sorvik
