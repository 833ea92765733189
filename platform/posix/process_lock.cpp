#include "platform/process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/native_path.h"
#include "text/coding.h"

namespace sorvik {
namespace {

// The descriptor is stored plus one so that 0 means "not open".
int Fd(intptr_t handle) { return static_cast<int>(handle) - 1; }

}  // namespace

ProcessLock::~ProcessLock() {
  Unlock();
  if (handle_ != 0) ::close(Fd(handle_));
}

bool ProcessLock::Open() {
  if (handle_ != 0) return true;
  const std::string native = NativePath(path_);
  if (native.empty()) return false;
  int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A read-only folder that already has the file still shares a lock through it.
  if (fd < 0) fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  handle_ = fd + 1;
  return true;
}

bool ProcessLock::Lock(Mode mode, bool wait) {
  if (!Open()) return false;
  const int operation = (mode == Mode::kShared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB);
  int result;
  do {
    result = ::flock(Fd(handle_), operation);
  } while (result != 0 && errno == EINTR);
  held_ = result == 0;
  return held_;
}

void ProcessLock::Unlock() {
  if (!held_) return;
  ::flock(Fd(handle_), LOCK_UN);
  held_ = false;
}

uint32_t ProcessLock::ReadCounter() {
  uint8_t bytes[4] = {0, 0, 0, 0};
  if (::pread(Fd(handle_), bytes, 4, 0) != 4) return 0;
  return DecodeFixed32(bytes);
}

bool ProcessLock::WriteCounter(uint32_t value) {
  uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  return ::pwrite(Fd(handle_), bytes, 4, 0) == 4;
}

}  // namespace sorvik
