// FindFile: one directory enumeration over the platform's find service.
#pragma once

#include <cstdint>
#include <string>

#include "platform/find.h"

namespace sorvik {

// Called with the folder (OpenFolder) or pattern (Open) of every enumeration FindFile starts,
// from whichever thread starts it; null (the default) calls nothing. Lets tests see which
// folders a walk lists.
using FindOpenObserver = void (*)(const std::string& listed);
void SetFindOpenObserver(FindOpenObserver observer);

class FindFile {
 public:
  FindFile();
  FindFile(const FindFile&) = delete;
  FindFile& operator=(const FindFile&) = delete;
  ~FindFile() { Close(); }

  // Starts enumerating `pattern` ("C:\Windows\*"); closes an earlier enumeration first.
  // Returns whether the first result exists.
  bool Open(const std::string& pattern);
  // Starts enumerating everything in `folder` (platform/find.h); otherwise like Open.
  bool OpenFolder(const FindPath& folder);
  // Advances to the next result: the first call hands out Open's result, later calls ask the
  // system. False at the end, on failure, and when Open failed.
  bool Next();
  // The current result. Valid after Next returned true.
  const FindRecord& Data() const { return record_; }
  // Ends the enumeration; safe to call twice.
  void Close();

 private:
  void Reset();  // closes, zeroes the record and forgets the first result

  intptr_t handle_ = kInvalidFind;  // the platform's enumeration handle
  bool first_consumed_ = false;     // Next has handed out Open's result
  bool last_ok_ = false;            // the last system call succeeded
  FindRecord record_;               // the current result, zeroed before the first call
};

}  // namespace sorvik
