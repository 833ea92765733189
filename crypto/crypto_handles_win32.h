// Scoped CryptoAPI handles for the helpers of this folder: each releases what it holds when it
// goes out of scope, so a helper that fails half-way leaves nothing acquired.
#pragma once

#include <windows.h>
// The CryptoAPI needs the base types of windows.h first.
#include <wincrypt.h>

#include <string>

namespace sorvik {
namespace crypto_internal {

class ScopedProvider {
 public:
  ScopedProvider() = default;
  ~ScopedProvider() {
    if (handle != 0) CryptReleaseContext(handle, 0);
  }
  ScopedProvider(const ScopedProvider&) = delete;
  ScopedProvider& operator=(const ScopedProvider&) = delete;

  HCRYPTPROV handle = 0;
};

class ScopedHash {
 public:
  ScopedHash() = default;
  ~ScopedHash() {
    if (handle != 0) CryptDestroyHash(handle);
  }
  ScopedHash(const ScopedHash&) = delete;
  ScopedHash& operator=(const ScopedHash&) = delete;

  HCRYPTHASH handle = 0;
};

class ScopedKey {
 public:
  ScopedKey() = default;
  ~ScopedKey() {
    if (handle != 0) CryptDestroyKey(handle);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  HCRYPTKEY handle = 0;
};

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
