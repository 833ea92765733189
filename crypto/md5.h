// MD5 digests of files and buffers on the system's cryptographic provider. Each call acquires and
// releases its own provider context, so the helpers may run on any thread at the same time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sorvik {

constexpr uint32_t kMd5Size = 16;  // bytes of an MD5 digest
using Md5Digest = std::array<uint8_t, kMd5Size>;

// The MD5 digest of the file at `path` (the program's GBK path form), read in blocks of 1024 bytes
// so that a file of any size hashes in constant memory. `out` may be null (then only whether the
// file can be hashed is reported). False when the file cannot be opened (missing, a folder, held
// by another program without sharing) or a read or provider call fails.
bool Md5OfFile(const std::string& path, Md5Digest* out);

// The MD5 digest of `length` bytes at `bytes`. On entry `*hash_length` is the room at `out`; on
// success it holds the digest size (16). `out` may be null: then only the size is reported. False
// when a provider call fails or `out` has less room than the digest.
bool Md5OfBuffer(const void* bytes, size_t length, uint8_t* out, uint32_t* hash_length);

}  // namespace sorvik
