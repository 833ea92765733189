// A reader/writer lock that processes share through a lock file: any number of shared holders,
// or one exclusive holder. Every ProcessLock object opens the file itself, so two objects on one
// file exclude each other also inside one process. Beside the lock the file keeps one counter,
// which the exclusive holder may change and every holder may read.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

class ProcessLock {
 public:
  enum class Mode { kShared, kExclusive };

  // No I/O: the lock file at `path` (program path form) is opened, and created when missing, by
  // the first Lock.
  explicit ProcessLock(const std::string& path) : path_(path) {}
  ~ProcessLock();
  ProcessLock(const ProcessLock&) = delete;
  ProcessLock& operator=(const ProcessLock&) = delete;

  // Takes the lock in `mode`. With `wait` it waits for conflicting holders to let go; without,
  // it fails at once when there are any. False too when the file can be neither opened nor
  // created (a read-only folder without a lock file). REQUIRES: not held.
  bool Lock(Mode mode, bool wait);
  void Unlock();  // does nothing when not held
  bool Held() const { return held_; }
  // Whether the lock file is open. After a failed Lock: true when other holders kept the lock,
  // false when the file could be neither opened nor made (which is no reason to go unlocked).
  bool Opened() const { return handle_ != 0; }

  // The counter, 0 before it was first written. REQUIRES: held.
  uint32_t ReadCounter();
  // REQUIRES: held in kExclusive mode.
  bool WriteCounter(uint32_t value);

 private:
  bool Open();

  std::string path_;     // the lock file
  intptr_t handle_ = 0;  // the open lock file (descriptor + 1 on POSIX); 0 before the first Lock
  bool held_ = false;    // the lock is taken through this object
};

}  // namespace sorvik
