#include "platform/file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_faults.h"
#include "platform/posix/native_path.h"

namespace sorvik {
namespace {

int Fd(intptr_t handle) { return static_cast<int>(handle); }

// Reads until `length` bytes or end of file, like one ReadFile call on a regular file.
uint32_t ReadAll(int fd, void* buffer, uint32_t length) {
  uint32_t done = 0;
  while (done < length) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, length - done);
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

// Reads from `offset` until `length` bytes or end of file, without moving the offset.
uint32_t ReadAllAt(int fd, void* buffer, uint32_t length, uint64_t offset) {
  uint32_t done = 0;
  while (done < length) {
    ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, length - done,
                        static_cast<off_t>(offset + done));
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t WriteAll(int fd, const void* buffer, uint32_t length) {
  uint32_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, length - done);
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

}  // namespace

void WinFile::NoteFailedWrite(bool refused) {
  // A write that comes up short without an error code ran out of room.
  const uint32_t error = refused || errno == 0 ? DiskFullError() : LastSystemError();
  CountFailedFileWrite(path_, error);
}

WinFile::~WinFile() {
  if (handle_ >= 0) {
    // Only a file that was written has anything to flush.
    bool flushed = !written_ || ::fsync(Fd(handle_)) == 0;
    flushed = ::close(Fd(handle_)) == 0 && flushed;
    if (written_ && !flushed) {
      NoteFailedWrite(false);
    } else if (written_ && !FileOpAllowed(FileOp::kFlush)) {
      NoteFailedWrite(true);
    }
  }
  handle_ = -1;
}

bool WinFile::SetSize(uint64_t size) {
  written_ = true;
  Seek(size);
  const bool allowed = FileOpAllowed(FileOp::kWrite);
  const bool ok = allowed && ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0;
  if (!ok) NoteFailedWrite(!allowed);
  return ok;
}

uint32_t WinFile::Seek(uint64_t offset) {
  pending_position_ = -1;
  off_t pos = ::lseek(Fd(handle_), static_cast<off_t>(offset), SEEK_SET);
  return pos < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(pos);
}

uint32_t WinFile::ReadAt(uint64_t offset, void* buffer, uint32_t length) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;
  const uint32_t done = ReadAllAt(Fd(handle_), buffer, length, offset);
  pending_position_ = static_cast<int64_t>(offset + done);
  return done;
}

uint32_t WinFile::ReadU32At(uint64_t offset, uint32_t* value) { return ReadAt(offset, value, 4); }

uint32_t WinFile::Read(void* buffer, uint32_t length) {
  if (pending_position_ >= 0) Seek(static_cast<uint64_t>(pending_position_));
  return ReadAll(Fd(handle_), buffer, length);
}

uint32_t WinFile::ReadU32(uint32_t* value) { return Read(value, 4); }

uint32_t WinFile::ReadU8(uint8_t* value) { return Read(value, 1); }

uint32_t WinFile::WriteAt(uint64_t offset, const void* buffer, uint32_t length) {
  if (Seek(offset) == 0xFFFFFFFFu && offset != 0xFFFFFFFFu) {
    NoteFailedWrite(false);
    return 0;
  }
  return Write(buffer, length);
}

uint32_t WinFile::WriteU32At(uint64_t offset, uint32_t value) { return WriteAt(offset, &value, 4); }

uint32_t WinFile::Write(const void* buffer, uint32_t length) {
  written_ = true;
  if (pending_position_ >= 0) Seek(static_cast<uint64_t>(pending_position_));
  const bool allowed = FileOpAllowed(FileOp::kWrite);
  errno = 0;
  const uint32_t done = allowed ? WriteAll(Fd(handle_), buffer, length) : 0;
  if (done < length) NoteFailedWrite(!allowed);
  return done;
}

uint32_t WinFile::WriteU32(uint32_t value) { return Write(&value, 4); }

uint32_t WinFile::WriteU8(uint8_t value) { return Write(&value, 1); }

bool WinFile::AppendU32(uint32_t value) {
  pending_position_ = -1;
  if (::lseek(Fd(handle_), 0, SEEK_END) < 0) return false;
  return Write(&value, 4) == 4;
}

uint64_t WinFile::Size() {
  struct stat st;
  return ::fstat(Fd(handle_), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

std::unique_ptr<WinFile> OpenWinFile(const std::string& path, uint32_t disposition) {
  std::string native = NativePath(path);
  if (native.empty() || !FileOpAllowed(FileOp::kOpen, path)) return nullptr;
  int flags = O_RDWR | O_CLOEXEC;
  if (disposition == kOpenAlways) flags |= O_CREAT;
  int fd = ::open(native.c_str(), flags, 0644);
  // A file that may only be read (a read-only index folder) still serves its readers; writes to
  // it fail and count as failed writes.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<WinFile>(new WinFile(fd, path));
}

bool MappedFile::Map(const std::string& path, uint32_t /*flags*/) {
  Unmap();
  std::string native = NativePath(path);
  if (native.empty()) return false;
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  file_ = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size_ = static_cast<uint32_t>(st.st_size);
  if (st.st_size == 0) return false;
  void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) return false;
  base_ = static_cast<const uint8_t*>(view);
  return true;
}

void MappedFile::Unmap() {
  if (base_ != nullptr) ::munmap(const_cast<uint8_t*>(base_), size_);
  if (file_ >= 0) ::close(Fd(file_));
  base_ = nullptr;
  file_ = -1;
  size_ = 0;
}

}  // namespace sorvik
