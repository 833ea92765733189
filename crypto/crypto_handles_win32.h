// Scoped CryptoAPI handles for the helpers of this folder: each releases what it holds when it
// goes out of scope, so a helper that fails half-way leaves nothing acquired.
#pragma once

#include <windows.h>
// The CryptoAPI needs the base types of windows.h first.
#include <wincrypt.h>

namespace sorvik {
namespace crypto_internal {

// A CryptoAPI handle freed by `Free` when it is not 0.
template <typename Handle, void (*Free)(Handle)>
class ScopedCryptoHandle {
 public:
  ScopedCryptoHandle() = default;
  ~ScopedCryptoHandle() {
    if (handle != 0) Free(handle);
  }
  ScopedCryptoHandle(const ScopedCryptoHandle&) = delete;
  ScopedCryptoHandle& operator=(const ScopedCryptoHandle&) = delete;

  Handle handle = 0;
};

inline void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
inline void DestroyHash(HCRYPTHASH hash) { CryptDestroyHash(hash); }
inline void DestroyKey(HCRYPTKEY key) { CryptDestroyKey(key); }

using ScopedProvider = ScopedCryptoHandle<HCRYPTPROV, ReleaseProvider>;
using ScopedHash = ScopedCryptoHandle<HCRYPTHASH, DestroyHash>;
using ScopedKey = ScopedCryptoHandle<HCRYPTKEY, DestroyKey>;

class ScopedFile {
 public:
  explicit ScopedFile(HANDLE file) : handle(file) {}
  ~ScopedFile() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
  HANDLE handle;
};

}  // namespace crypto_internal
}  // namespace sorvik
