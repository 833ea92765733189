// FolderLister: lists the folders a depth-first walk is about to enter on worker threads, so
// that reading the next folders (and, on POSIX, the stat of every entry in them) runs while the
// walker records the current one. The walk itself and what it records stay in one thread and in
// the same order; only the listings are made earlier.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/find.h"

namespace sorvik {

// The entries of one folder, in the order the enumeration gave them, kept compactly (a record
// of the find service is over a kilobyte; most of it is room for the longest name).
class FolderListing {
 public:
  size_t Count() const { return entries_.size(); }
  // Fills `record` with entry `index` as the enumeration gave it. REQUIRES: index < Count().
  void Get(size_t index, FindRecord* record) const;
  uint32_t Attributes(size_t index) const { return entries_[index].attributes; }
  void Add(const FindRecord& record);

 private:
  struct Entry {
    uint64_t size;
    uint64_t last_write;
    uint32_t attributes;
    uint32_t name_at;   // offset of the name in text_
    uint32_t reach_at;  // offset of the reach text in text_
    uint8_t reach_form;
  };
  std::vector<Entry> entries_;
  std::string text_;  // every name and reach text, each zero-terminated
};

// Lists `folder` now, in the calling thread (through FindFile, so test observers see it).
FolderListing ListFolder(const FindPath& folder);

class FolderLister {
 public:
  // Finished listings not yet taken, in entries, past which workers wait: about 4 MB.
  static constexpr size_t kDefaultPendingEntries = 65536;

  // `threads` workers; 0 lists every folder when it is taken.
  explicit FolderLister(unsigned threads, size_t max_pending_entries = kDefaultPendingEntries);
  FolderLister(const FolderLister&) = delete;
  FolderLister& operator=(const FolderLister&) = delete;
  ~FolderLister();  // stops the workers; what was not taken is dropped

  // Worker threads for a walk on this machine: one per processor, at least two, at most four.
  static unsigned DefaultThreads();
  unsigned Threads() const { return static_cast<unsigned>(workers_.size()); }

  // Folders the walk will take next, the first to be taken first. They go on top of folders
  // asked for earlier: a depth-first walk takes a folder's sub-folders before its siblings.
  void Ahead(const std::vector<FindPath>& folders);
  // The listing of `folder`: listed ahead if it is done, waited for if a worker is listing it,
  // otherwise listed now in the calling thread (the walk never waits for a worker to start).
  FolderListing Take(const FindPath& folder);
  // Forgets what was asked for and not taken (a walk ended early).
  void Drop();

 private:
  struct Job;
  void Work();

  const size_t max_pending_;
  std::mutex mutex_;
  std::condition_variable work_;  // workers wait here for a job or for room under the cap
  std::condition_variable done_;  // Take waits here for a job a worker is listing
  const Job* awaited_ = nullptr;  // the job Take waits for, null when it waits for none
  unsigned idle_workers_ = 0;     // workers waiting on work_
  std::vector<std::shared_ptr<Job>> stack_;                     // queued; the next on top
  std::unordered_map<std::string, std::shared_ptr<Job>> jobs_;  // queued, listing or done
  size_t pending_entries_ = 0;  // entries of done listings not yet taken
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace sorvik
