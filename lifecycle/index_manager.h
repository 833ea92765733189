// The single owner of the live index (".\NIndex") in one process: loads it, serves searches,
// details, month lists and removals under one recursive mutex, and swaps in a new build made by
// the background index thread while searches wait. Other processes may share the work folder:
// every read holds the folder's index lock shared, a swap holds it exclusively, and a build holds
// the folder's build lock (docs/concurrency.md).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lifecycle/index_environment.h"
#include "platform/process_lock.h"
#include "platform/sync.h"
#include "query/details_source.h"
#include "query/search_request.h"

namespace sorvik {

class LoadedIndex;
class SearchResult;

constexpr char kLiveFolder[] = "NIndex";
constexpr char kSwapFolder[] = "NIndex_Quillet";  // holds a new build between the two renames
constexpr char kRetiredFolder[] = "NIndex_Old";   // holds the old index between the two renames
constexpr char kIndexLockFile[] = "NIndex.lock";  // shared while reading NIndex, exclusive to swap
constexpr char kBuildLockFile[] = "ScanTemp.lock";  // held by the one build of a work folder
constexpr char kRefreshEventName[] = "event_index";
constexpr char kIndexDoneText[] = "索引建立完成！";

// The index mutex: recursive for its owning thread, waited for without time-out.
class CIndexMutex {
 public:
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Whether `folder` holds a usable index: index.dat exists, index.mtr starts with version 100,
// and the snapshot files are all there and as long as the record count in db.txt requires.
bool IndexUsableAt(const std::string& folder);

class IndexManager : public DetailsSource {
 public:
  // The process-wide manager on the program's folder, created with the system environment on
  // the first call (which starts the background thread); never destroyed.
  static IndexManager& Instance();
  static void SetInstanceOptions(const BuildOptions& build, bool started_at_logon);

  // A manager on the index folders of `work` (ending with a separator). With `start_thread`
  // the background thread runs until the manager is destroyed.
  IndexManager(const std::string& work, std::unique_ptr<IndexEnvironment> environment,
               bool start_thread);
  ~IndexManager() override;
  IndexManager(const IndexManager&) = delete;
  IndexManager& operator=(const IndexManager&) = delete;

  bool IndexUsable() const { return IndexUsableAt(work_ + kLiveFolder); }
  // One page of the answer to `request` (pageSize -1: every match) with `total` the number of
  // all matches; null only when no index is loaded. The caller releases the result.
  SearchResult* Search(const SearchRequest& request, int page, int pageSize, uint32_t* total);
  // The details of entry `id` of the index loaded now; false only when no index is loaded.
  // Windows read through the SearchResult they show, which names its generation.
  bool GetDetails(uint32_t id, EntryDetails* out);
  // Appends the codes of month slot `slot` (0..5) to `out`; returns how many (0 without index).
  uint32_t MonthCodesOf(int slot, std::vector<uint16_t>* out);
  // Asks the background thread for a rebuild now, unless one is running.
  void RequestRefresh();
  bool IsRefreshing() const { return refreshing_.load() != 0; }
  // Replaces the live index with the build folder when that holds a usable index: unload, move
  // the folders, load. Otherwise the build folder is deleted and the live index reloaded.
  void SwapInNewIndex();
  // One build and swap, with the refreshing flag set throughout. A build that reports a failure
  // is thrown away, however usable its folder looks. Does nothing while another build (in this
  // or another process) holds the work folder's build lock: that build's swap serves this
  // process too.
  void Refresh();
  // Completes a swap that another process (or an earlier run) left half way, if there is one
  // and no other process is swapping now.
  void CompletePendingSwap();
  // Whether an index is loaded now.
  bool HasLoadedIndex();
  // Records the removal of entry `id` of the index loaded now (see the DetailsSource one).
  void RecordRemoval(uint32_t id, const std::string& fullPath);
  // Called on the background thread after every swap, loaded index or not, outside the index
  // mutex; the search window posts itself a message from it. Replaces the previous listener;
  // an empty one removes it. The listener must not call back into the manager's swap.
  void SetSwapListener(std::function<void()> listener);

  // DetailsSource: every load of an index gets a new generation, starting at 1.
  uint32_t Generation() override { return generation_.load(); }
  bool ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) override;
  bool RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) override;

 private:
  friend void IndexThreadMain(IndexManager* manager);
  class ReadHold;
  std::string Path(const char* folder) const { return work_ + folder; }
  void LoadIfUsable();  // REQUIRES: mutex held.
  // REQUIRES: mutex held.
  void RecordRemovalLocked(uint32_t id, const std::string& fullPath);
  void NotifySwap();
  // Takes the index lock shared (nested calls count) and reloads the index when another
  // process swapped since it was loaded. REQUIRES: mutex held.
  void BeginRead();
  void EndRead();  // REQUIRES: mutex held.
  // Moves a usable build waiting in the swap folder into place. REQUIRES: mutex held, no read.
  void FinishPendingSwap(bool wait);
  // The two renames of a swap: the live folder aside, the swap folder in its place. False, with
  // the live folder as it was, when the first fails (a file in it is open elsewhere).
  // REQUIRES: mutex held, index lock held exclusively.
  bool MoveSwapFolderIn();
  // The swap; a build that did not succeed is thrown away instead of moved in.
  void SwapIn(bool build_succeeded);
  void LoadUnderExclusiveLock();  // REQUIRES: mutex held, index lock held exclusively.

  std::string work_;                                 // folder of NIndex, ScanTemp, NIndex_Quillet
  std::unique_ptr<IndexEnvironment> environment_;    // clock, waits, settings, build
  ManualResetEvent refresh_event_;                   // set to ask for a rebuild now
  std::atomic<uint8_t> refreshing_{0};               // set while a build and swap run
  std::atomic<bool> stopping_{false};                // the manager is being destroyed
  CIndexMutex mutex_;                                // guards loaded_ and the NIndex files
  ProcessLock index_lock_;                           // the work folder's index lock
  uint32_t read_depth_ = 0;                          // nested reads holding index_lock_ shared
  uint32_t loaded_swaps_ = 0;                        // the folder's swap count loaded_ is from
  std::unique_ptr<LoadedIndex> loaded_;              // null when no usable index is loaded
  std::atomic<uint32_t> generation_{kNoGeneration};  // of loaded_; changed under mutex_
  uint32_t loads_ = 0;                               // indexes loaded so far
  std::mutex listener_mutex_;                        // guards swap_listener_
  std::function<void()> swap_listener_;              // told after every swap
  std::thread thread_;                               // the background index thread
};

// The background index thread: online step, logon delay, rebuild of an unusable index, then the
// schedule loop until the manager is destroyed.
void IndexThreadMain(IndexManager* manager);

}  // namespace sorvik
