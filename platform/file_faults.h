// How the file seam reports and simulates a failing disk.
//
// Failed writes: every write, size change or closing flush of a WinFile that comes up short is
// counted for the calling thread, like the system's own last-error value, with the file and the
// system's reason. An operation made of many writes through many objects (a whole index build)
// compares the count before and after to learn whether everything it wrote reached the disk,
// and tells which file failed and why.
//
// Fault injection: tests install a hook that every file and folder operation of the seam asks
// before it acts; a refusal makes the operation fail the way the system fails it (a write
// writes nothing, a rename leaves both names as they were). Without a hook, which is always the
// case in the program, nothing changes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace sorvik {

enum class FileOp {
  kOpen,          // OpenWinFile (path: the file)
  kWrite,         // a write or size change of an open file (path: empty)
  kFlush,         // the flush of a written file when it is closed (path: empty)
  kRename,        // RenamePath and ReplacePath (path: the source)
  kRemove,        // RemoveFile and DeleteFolderTree (path: what is removed)
  kCreateFolder,  // CreateFolder (path: the folder)
};

class FileFaultHook {
 public:
  virtual ~FileFaultHook() = default;
  // False makes the operation fail. Called on the thread that does the operation; must not use
  // the file seam itself.
  virtual bool Allow(FileOp op, const std::string& path) = 0;
};

// Installs `hook` (not owned; null removes it). REQUIRES: no other thread uses the file seam
// while the hook is installed or removed, and the hook outlives its installation.
void InstallFileFaultHook(FileFaultHook* hook);

// For the seam's implementations: whether the operation may go ahead (always without a hook).
bool FileOpAllowed(FileOp op, const std::string& path = std::string());

// Writes, size changes and closing flushes that failed on the calling thread since it started.
uint32_t FailedFileWrites();
// OK when no write failed on the calling thread since FailedFileWrites() gave `before`; else
// why the last one failed ("cannot write PATH: REASON").
Status FailedFileWritesSince(uint32_t before);
// For the seam's implementations: counts one failed write of the file at `path` on the calling
// thread, which the system refused with error `error` (a refusal by the fault hook counts as a
// full disk).
void CountFailedFileWrite(const std::string& path, uint32_t error);

}  // namespace sorvik
