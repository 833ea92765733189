// Binary file access for the index: WinFile (one handle, unbuffered positioned and sequential
// reads and writes) and MappedFile (read-only view of a whole file). One interface, with a Win32
// implementation (platform/win32/file.cpp) and a POSIX one (platform/posix/file.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sorvik {

// Creation dispositions, with the values CreateFileA takes.
constexpr uint32_t kOpenExisting = 3;  // the file must exist
constexpr uint32_t kOpenAlways = 4;    // open, or create an empty file; contents kept

// Flags for MappedFile::Map, with the values CreateFileA takes.
constexpr uint32_t kFlagSequentialScan = 0x08000000;

// One open file. Nothing is cached: every call goes to the system, so callers choose the I/O
// pattern. Byte counts are what the system reports: 0 on failure or at end of file.
// Not thread-safe. A positioned call leaves the file pointer after the bytes it moved, as a seek
// followed by a transfer would (POSIX reads it with one positioned system call; under Wine a
// seek and a read are cheaper than ReadFile at an offset).
class WinFile {
 public:
  // Wraps an open `handle` of the file at `path` (named in the reasons of failed writes).
  WinFile(intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;
  // Flushes to disk and closes: data written before destruction is on disk afterwards. A failed
  // flush of a file that was written counts as a failed write (platform/file_faults.h).
  ~WinFile();

  // Moves the pointer to `size`, then truncates or extends there. False when the size could not
  // be set. Failed writes and size changes are counted (platform/file_faults.h).
  bool SetSize(uint64_t size);
  uint32_t Seek(uint64_t offset);  // new position (low 32 bits), all bits set on failure
  uint32_t ReadAt(uint64_t offset, void* buffer, uint32_t length);
  uint32_t ReadU32At(uint64_t offset, uint32_t* value);
  uint32_t Read(void* buffer, uint32_t length);
  uint32_t ReadU32(uint32_t* value);
  uint32_t ReadU8(uint8_t* value);
  uint32_t WriteAt(uint64_t offset, const void* buffer, uint32_t length);
  uint32_t WriteU32At(uint64_t offset, uint32_t value);  // little-endian
  uint32_t Write(const void* buffer, uint32_t length);
  uint32_t WriteU32(uint32_t value);
  uint32_t WriteU8(uint8_t value);
  bool AppendU32(uint32_t value);  // writes at the end of the file
  uint64_t Size();                 // current size in bytes, 0 when unknown

 private:
  // Counts a failed write of this file with the system's reason; `refused`: the fault hook
  // refused it, which counts as a full disk.
  void NoteFailedWrite(bool refused);

  intptr_t handle_;       // HANDLE on Win32, file descriptor on POSIX
  std::string path_;      // the path it was opened by
  bool written_ = false;  // something was written since the file was opened
  // POSIX: where the pointer stands after the last positioned read (which does not move the
  // descriptor's offset), applied before the next sequential transfer; -1 when none is due.
  int64_t pending_position_ = -1;
};

// Opens `path` (program path form: drive letters, backslashes, GBK) for reading and writing,
// shared for reading and writing. With kOpenExisting a missing path gives null without any
// system call error. A file the system lets this process only read is opened for reading (its
// writes then fail and are counted). Returns null when the system refuses.
std::unique_ptr<WinFile> OpenWinFile(const std::string& path, uint32_t disposition);

// A read-only mapping of a whole file, kept until Unmap or destruction.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Unmap(); }

  // Maps the whole file. Returns false (and Data() null) when the file is missing or cannot be
  // mapped; an empty file maps as null data of size 0.
  bool Map(const std::string& path, uint32_t flags);
  void Unmap();
  const uint8_t* Data() const { return base_; }
  uint32_t Size() const { return size_; }

 private:
  intptr_t file_ = -1;             // file handle or descriptor; -1 when closed
  intptr_t mapping_ = 0;           // mapping handle (Win32 only)
  const uint8_t* base_ = nullptr;  // start of the view
  uint32_t size_ = 0;              // file size, low 32 bits
};

}  // namespace sorvik
