// How the file seam reports and simulates a failing disk.
//
// Failed writes: every write, size change or closing flush of a WinFile that comes up short is
// counted for the calling thread, like the system's own last-error value. An operation made of
// many writes through many objects (a whole index build) compares the count before and after to
// learn whether everything it wrote reached the disk.
//
// Fault injection: tests install a hook that every file and folder operation of the seam asks
// before it acts; a refusal makes the operation fail the way the system fails it (a write
// writes nothing, a rename leaves both names as they were). Without a hook, which is always the
// case in the program, nothing changes.
#pragma once

#include <cstdint>
#include <string>

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
// For the seam's implementations: counts one failed write on the calling thread.
void CountFailedFileWrite();

}  // namespace sorvik
