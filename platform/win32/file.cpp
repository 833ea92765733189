#include "platform/file.h"

#include <windows.h>

#include "platform/file_faults.h"

namespace sorvik {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

void WinFile::NoteFailedWrite(bool refused) {
  // A write that comes up short without an error code ran out of room.
  const uint32_t error = LastSystemError();
  CountFailedFileWrite(path_, refused || error == NO_ERROR ? DiskFullError() : error);
}

WinFile::~WinFile() {
  if (handle_ != 0) {
    bool flushed = !written_ || FlushFileBuffers(H(handle_)) != 0;
    flushed = CloseHandle(H(handle_)) != 0 && flushed;
    if (written_ && !flushed) {
      NoteFailedWrite(false);
    } else if (written_ && !FileOpAllowed(FileOp::kFlush)) {
      NoteFailedWrite(true);
    }
  }
  handle_ = 0;
}

bool WinFile::SetSize(uint64_t size) {
  written_ = true;
  Seek(size);
  const bool allowed = FileOpAllowed(FileOp::kWrite);
  const bool ok = allowed && SetEndOfFile(H(handle_)) != 0;
  if (!ok) NoteFailedWrite(!allowed);
  return ok;
}

uint32_t WinFile::Seek(uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  return SetFilePointer(H(handle_), static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
}

uint32_t WinFile::ReadAt(uint64_t offset, void* buffer, uint32_t length) {
  Seek(offset);
  return Read(buffer, length);
}

uint32_t WinFile::ReadU32At(uint64_t offset, uint32_t* value) { return ReadAt(offset, value, 4); }

uint32_t WinFile::Read(void* buffer, uint32_t length) {
  DWORD done = 0;
  if (!ReadFile(H(handle_), buffer, length, &done, nullptr)) return 0;
  return done;
}

uint32_t WinFile::ReadU32(uint32_t* value) { return Read(value, 4); }

uint32_t WinFile::ReadU8(uint8_t* value) { return Read(value, 1); }

uint32_t WinFile::WriteAt(uint64_t offset, const void* buffer, uint32_t length) {
  Seek(offset);
  return Write(buffer, length);
}

uint32_t WinFile::WriteU32At(uint64_t offset, uint32_t value) { return WriteAt(offset, &value, 4); }

uint32_t WinFile::Write(const void* buffer, uint32_t length) {
  written_ = true;
  DWORD done = 0;
  const bool allowed = FileOpAllowed(FileOp::kWrite);
  SetLastError(NO_ERROR);
  if (!allowed || !WriteFile(H(handle_), buffer, length, &done, nullptr)) done = 0;
  if (done < length) NoteFailedWrite(!allowed);
  return done;
}

uint32_t WinFile::WriteU32(uint32_t value) { return Write(&value, 4); }

uint32_t WinFile::WriteU8(uint8_t value) { return Write(&value, 1); }

bool WinFile::AppendU32(uint32_t value) {
  SetFilePointer(H(handle_), 0, nullptr, FILE_END);
  return Write(&value, 4) == 4;
}

uint64_t WinFile::Size() {
  DWORD high = 0;
  DWORD low = GetFileSize(H(handle_), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
  return (static_cast<uint64_t>(high) << 32) | low;
}

std::unique_ptr<WinFile> OpenWinFile(const std::string& path, uint32_t disposition) {
  if (!FileOpAllowed(FileOp::kOpen, path)) return nullptr;
  if (disposition == kOpenExisting && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return nullptr;
  }
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                              disposition, FILE_FLAG_RANDOM_ACCESS, nullptr);
  // A file that may only be read (a read-only index folder) still serves its readers; writes to
  // it fail and count as failed writes.
  if (handle == INVALID_HANDLE_VALUE &&
      (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
    handle = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_RANDOM_ACCESS, nullptr);
  }
  if (reinterpret_cast<intptr_t>(handle) < 1) return nullptr;
  return std::unique_ptr<WinFile>(new WinFile(reinterpret_cast<intptr_t>(handle), path));
}

bool MappedFile::Map(const std::string& path, uint32_t flags) {
  Unmap();
  // Shared for writing too, as OpenWinFile opens: a file mapped for reading must not keep the
  // index's other readers, which open it read-write, out.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = reinterpret_cast<intptr_t>(file);
  size_ = GetFileSize(file, nullptr);
  if (size_ == INVALID_FILE_SIZE || size_ == 0) {
    size_ = 0;
    return false;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return false;
  mapping_ = reinterpret_cast<intptr_t>(mapping);
  base_ = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  return base_ != nullptr;
}

void MappedFile::Unmap() {
  if (base_ != nullptr) UnmapViewOfFile(base_);
  if (mapping_ != 0) CloseHandle(reinterpret_cast<HANDLE>(mapping_));
  if (file_ != -1) CloseHandle(reinterpret_cast<HANDLE>(file_));
  base_ = nullptr;
  mapping_ = 0;
  file_ = -1;
  size_ = 0;
}

}  // namespace sorvik
