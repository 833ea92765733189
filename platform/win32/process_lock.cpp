#include "platform/process_lock.h"

#include <windows.h>

#include "text/coding.h"

namespace sorvik {
namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The lock covers one byte far beyond the counter: a locked range cannot be read through other
// handles, and the counter must stay readable by every holder.
constexpr DWORD kLockOffsetHigh = 1;  // the byte at 4 GiB

OVERLAPPED LockRange() {
  OVERLAPPED range = {};
  range.OffsetHigh = kLockOffsetHigh;
  return range;
}

}  // namespace

ProcessLock::~ProcessLock() {
  Unlock();
  if (handle_ != 0) CloseHandle(H(handle_));
}

bool ProcessLock::Open() {
  if (handle_ != 0) return true;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  // A read-only folder that already has the file still shares a lock through it.
  if (file == INVALID_HANDLE_VALUE) {
    file = CreateFileA(path_.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(file);
  return true;
}

bool ProcessLock::Lock(Mode mode, bool wait) {
  if (!Open()) return false;
  DWORD flags = mode == Mode::kExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
  if (!wait) flags |= LOCKFILE_FAIL_IMMEDIATELY;
  OVERLAPPED range = LockRange();
  held_ = LockFileEx(H(handle_), flags, 0, 1, 0, &range) != 0;
  return held_;
}

void ProcessLock::Unlock() {
  if (!held_) return;
  OVERLAPPED range = LockRange();
  UnlockFileEx(H(handle_), 0, 1, 0, &range);
  held_ = false;
}

uint32_t ProcessLock::ReadCounter() {
  // Read from the file position rather than through an OVERLAPPED: every search reads the
  // counter, and under Wine a read given an OVERLAPPED costs one more round trip to the server
  // (it reports its completion there).
  uint8_t bytes[4] = {0, 0, 0, 0};
  DWORD done = 0;
  if (SetFilePointer(H(handle_), 0, nullptr, FILE_BEGIN) != 0 ||
      !ReadFile(H(handle_), bytes, 4, &done, nullptr) || done != 4) {
    return 0;
  }
  return DecodeFixed32(bytes);
}

bool ProcessLock::WriteCounter(uint32_t value) {
  uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  OVERLAPPED at = {};
  DWORD done = 0;
  return WriteFile(H(handle_), bytes, 4, &done, &at) && done == 4;
}

}  // namespace sorvik
