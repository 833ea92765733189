// A disk that fails on cue, for tests: installs itself as the file seam's fault hook while it
// lives. It counts writes (writes and size changes of open files) and can fail one of them, all
// from one on (a full disk), or any operation a rule picks. Tests only.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/file_faults.h"

namespace sorvik {
namespace testing {

class FailingDisk : public FileFaultHook {
 public:
  FailingDisk() { InstallFileFaultHook(this); }
  ~FailingDisk() override { InstallFileFaultHook(nullptr); }
  FailingDisk(const FailingDisk&) = delete;
  FailingDisk& operator=(const FailingDisk&) = delete;

  bool Allow(FileOp op, const std::string& path) override {
    if (refuse && refuse(op, path)) return false;
    if (op == FileOp::kFlush) return full_from == 0 || writes < full_from;
    if (op != FileOp::kWrite) return true;
    const uint32_t number = ++writes;
    return number != fail_only && (full_from == 0 || number < full_from);
  }

  std::atomic<uint32_t> writes{0};  // writes seen so far
  uint32_t fail_only = 0;           // the one write (1-based) that fails; 0 = none
  uint32_t full_from = 0;           // writes from this one on fail, and so do later flushes
  std::function<bool(FileOp op, const std::string& path)> refuse;  // other operations to fail
};

// Whether `path` ends with `name` (a folder or file name of a program path).
inline bool PathEndsWith(const std::string& path, const std::string& name) {
  return path.size() >= name.size() &&
         path.compare(path.size() - name.size(), name.size(), name) == 0;
}

}  // namespace testing
}  // namespace sorvik
