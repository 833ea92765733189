// The folders left out of the index: patterns a build and the live index test each folder
// against. A pattern holding "\" or ":" is a full path ("D:\Backup"): that folder is left out,
// wherever it is reached from. Any other pattern is matched against each single folder name,
// "*" standing for any run of characters and "?" for one ("node_modules", "*.cache"). Both
// compare ASCII letters without regard to case. A left-out folder keeps its own entry (it is
// found by its name); nothing below it is walked, recorded or watched into the index.
#pragma once

#include <string>
#include <vector>

namespace sorvik {

// The patterns a fresh installation leaves out: the system's recycle bins (Vista and later,
// XP) and the restore-point folder, which hold nothing a user looks for by name.
constexpr char kDefaultExcludeList[] = "$RECYCLE.BIN|RECYCLER|System Volume Information";

// The patterns of a list joined by "|", blanks around each dropped, empty ones skipped.
std::vector<std::string> SplitExcludeList(const std::string& joined);
// The patterns joined by "|" (the form kept in the settings).
std::string JoinExcludeList(const std::vector<std::string>& patterns);
// Whether `pattern` names a full path rather than a folder name.
bool IsFullPathPattern(const std::string& pattern);
// Whether `pattern` can be kept in the list: not empty, no blanks around it, no "|", no "/", and
// a full path starts with a drive ("D:\Backup"), names a folder below it and holds no wildcard.
bool IsValidExcludePattern(const std::string& pattern);

class FolderExclusion {
 public:
  FolderExclusion() = default;
  explicit FolderExclusion(const std::vector<std::string>& patterns);

  bool empty() const { return names_.empty() && paths_.empty(); }

  // Whether the folder at `path` ("C:\src\node_modules"), whose last component is `name`, is
  // left out: it keeps its own entry but is not walked.
  bool LeavesOut(const std::string& path, const std::string& name) const;
  bool LeavesOut(const std::string& path) const;
  // Whether `path` lies below a left-out folder: it must not be in the index at all.
  bool HidesBelow(const std::string& path) const;

 private:
  bool NameLeftOut(const std::string& name) const;
  bool PathLeftOut(const std::string& path) const;

  std::vector<std::string> names_;  // folder-name patterns
  std::vector<std::string> paths_;  // full paths, without a trailing "\"
};

}  // namespace sorvik
