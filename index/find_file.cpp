#include "index/find_file.h"

#include <atomic>
#include <cstring>

namespace sorvik {
namespace {

std::atomic<FindOpenObserver> g_open_observer{nullptr};

void ReportOpen(const std::string& listed) {
  const FindOpenObserver observer = g_open_observer.load();
  if (observer != nullptr) observer(listed);
}

}  // namespace

void SetFindOpenObserver(FindOpenObserver observer) { g_open_observer.store(observer); }

FindFile::FindFile() { std::memset(&record_, 0, sizeof record_); }

void FindFile::Reset() {
  Close();
  std::memset(&record_, 0, sizeof record_);
  first_consumed_ = false;
}

bool FindFile::Open(const std::string& pattern) {
  Reset();
  ReportOpen(pattern);
  handle_ = FindFirstEntry(pattern, &record_);
  last_ok_ = handle_ != kInvalidFind;
  return last_ok_;
}

bool FindFile::OpenFolder(const FindPath& folder) {
  Reset();
  ReportOpen(folder.text);
  handle_ = FindFirstIn(folder, &record_);
  last_ok_ = handle_ != kInvalidFind;
  return last_ok_;
}

bool FindFile::Next() {
  if (handle_ == kInvalidFind) return false;
  if (!first_consumed_) {
    first_consumed_ = true;
    return last_ok_;
  }
  last_ok_ = FindNextEntry(handle_, &record_);
  return last_ok_;
}

void FindFile::Close() {
  if (handle_ != kInvalidFind) FindCloseEntry(handle_);
  handle_ = kInvalidFind;
}

}  // namespace sorvik
