// A recursive change watch on a drive (or folder): which entries below it were created,
// deleted, renamed (both names) or changed (attributes, size, times). Win32:
// ReadDirectoryChangesW on the drive root with the subtree flag (platform/win32/watch.cpp).
// POSIX: inotify with one watch per folder, added as folders appear (platform/posix/watch.cpp).
//
// A watch reports paths only, never what happened to them: the reader looks at the disk to learn
// the state now, so changes that come late, twice or out of order do no harm.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sorvik {

enum class WatchStatus {
  kChanges,   // paths were appended
  kIdle,      // nothing changed within the time given
  kOverflow,  // the system dropped changes: what is known of the tree may be stale
  kFailed,    // the watch stopped working (the folder went away, a new folder could not be
              // watched); it reports nothing more
};

class FolderWatch {
 public:
  // Starts watching `root` ("C:" for a drive, or a folder path) and everything below it. Null,
  // with the reason in `error`, when the system refuses.
  static std::unique_ptr<FolderWatch> Open(const std::string& root, std::string* error);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Waits at most `ms` for changes and appends the full paths (program form: GBK, backslashes)
  // of the entries that changed; when a folder appears, the entries already below it are
  // reported too. REQUIRES: called on the thread that opened the watch.
  WatchStatus Wait(uint32_t ms, std::vector<std::string>* paths);
  // The system watches this one holds (folders on POSIX, 1 on Win32), for measurements.
  uint32_t SystemWatches() const;

 private:
  struct State;
  explicit FolderWatch(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace sorvik
