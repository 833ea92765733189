// The single owner of the live index (".\NIndex") in one process: loads it, serves searches,
// details, month lists and removals under one plain mutex, and swaps in a new build made by
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
#include <unordered_map>
#include <vector>

#include "index/folder_exclusion.h"
#include "lifecycle/index_environment.h"
#include "platform/process_lock.h"
#include "platform/sync.h"
#include "platform/thread_annotations.h"
#include "query/details_source.h"
#include "query/search_request.h"

namespace sorvik {

class IndexFolderCache;
class LiveLayer;
class LiveWatcher;
class LoadedIndex;
class SearchResult;

constexpr char kLiveFolder[] = "NIndex";
constexpr char kSwapFolder[] = "NIndex_Quillet";  // holds a new build between the two renames
constexpr char kRetiredFolder[] = "NIndex_Old";   // holds the old index between the two renames
constexpr char kIndexLockFile[] = "NIndex.lock";  // shared while reading NIndex, exclusive to swap
constexpr char kBuildLockFile[] = "ScanTemp.lock";  // held by the one build of a work folder
constexpr char kRefreshEventName[] = "event_index";
constexpr char kIndexDoneText[] = "索引建立完成！";
constexpr size_t kLiveLayerLimit = 200000;  // live changes held before a rebuild is asked for
constexpr uint32_t kLiveCheckMs = 500;      // the live setting and drive choice are read this often

// The index mutex: a plain one, waited for without time-out. Nothing that holds it calls a
// function that takes it: those work on the held index through `...Locked` functions that
// REQUIRE it, which clang's thread-safety analysis checks.
class SORVIK_CAPABILITY("mutex") CIndexMutex {
 public:
  void Lock() SORVIK_ACQUIRE() { mutex_.lock(); }
  void Unlock() SORVIK_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

// Holds the index mutex for one scope.
class SORVIK_SCOPED_CAPABILITY IndexMutexHold {
 public:
  explicit IndexMutexHold(CIndexMutex* mutex) SORVIK_ACQUIRE(mutex) : mutex_(mutex) {
    mutex_->Lock();
  }
  ~IndexMutexHold() SORVIK_RELEASE() { mutex_->Unlock(); }
  IndexMutexHold(const IndexMutexHold&) = delete;
  IndexMutexHold& operator=(const IndexMutexHold&) = delete;

 private:
  CIndexMutex* mutex_;
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
  SearchResult* Search(const SearchRequest& request, int page, int pageSize, uint32_t* total)
      SORVIK_EXCLUDES(mutex_);
  // The details of entry `id` of the index loaded now; false only when no index is loaded.
  // Windows read through the SearchResult they show, which names its generation.
  bool GetDetails(uint32_t id, EntryDetails* out) SORVIK_EXCLUDES(mutex_);
  // Appends the codes of month slot `slot` (0..5) to `out`; returns how many (0 without index).
  uint32_t MonthCodesOf(int slot, std::vector<uint16_t>* out) SORVIK_EXCLUDES(mutex_);
  // Asks the background thread for a rebuild now, unless one is running.
  void RequestRefresh();
  // The folders left out of the index as the settings give them now, patterns joined by "|".
  std::string ExcludeList() { return environment_->ExcludeList(); }
  bool IsRefreshing() const { return refreshing_.load() != 0; }
  // Replaces the live index with the build folder when that holds a usable index: unload, move
  // the folders, load. Otherwise the build folder is deleted and the live index reloaded. True
  // when the build went in; false when it was not usable, the work folder's index lock could
  // not be taken, or the live folder could not be moved (LastBuildProblem says which).
  bool SwapInNewIndex();
  // One build and swap, with the refreshing flag set throughout. A build that reports a failure
  // is thrown away, however usable its folder looks. Does nothing while another build (in this
  // or another process) holds the work folder's build lock: that build's swap serves this
  // process too.
  void Refresh() SORVIK_EXCLUDES(mutex_);
  // Why the last build of this manager was refused or failed (a chosen drive is gone, a full
  // disk); empty when it went in or none ran. The live index then stays as it was.
  std::string LastBuildProblem();
  // Completes a swap that another process (or an earlier run) left half way, if there is one
  // and no other process is swapping now.
  void CompletePendingSwap() SORVIK_EXCLUDES(mutex_);
  // Whether an index is loaded now.
  bool HasLoadedIndex() SORVIK_EXCLUDES(mutex_);
  // The index loaded now, held in place for the reader that ReadInOneHold runs.
  class Held {
   public:
    // As IndexManager::Search, on the held index. The result reads its details through the
    // hold: release it before the hold ends.
    SearchResult* Search(const SearchRequest& request, int page, int pageSize, uint32_t* total)
        SORVIK_REQUIRES(manager_->mutex_);

   private:
    friend class IndexManager;
    explicit Held(IndexManager* manager) : manager_(manager) {}
    IndexManager* manager_;
  };
  // Runs `read` with the index loaded now held in place: no swap, by this process or another,
  // comes between the searches and detail reads it makes through `held`, so they all answer
  // from one index. Swaps wait meanwhile: keep it short (no output to a reader that may be
  // slow). `read` must not call the manager itself.
  void ReadInOneHold(const std::function<void(Held& held)>& read) SORVIK_EXCLUDES(mutex_);
  // Records the removal of entry `id` of the index loaded now (see the DetailsSource one).
  void RecordRemoval(uint32_t id, const std::string& fullPath) SORVIK_EXCLUDES(mutex_);
  // Called on the background thread after every swap, loaded index or not, outside the index
  // mutex; the search window posts itself a message from it. Replaces the previous listener;
  // an empty one removes it. The listener must not call back into the manager's swap.
  void SetSwapListener(std::function<void()> listener);

  // Starts following the disk: a thread that keeps one change watch per indexed drive while the
  // environment's live update is on, and stops them (dropping the live layer) when it goes off.
  // Until then, and while it is off, searches see the loaded index alone.
  void StartLiveUpdate();
  // Applies paths that changed on disk to the live layer of the loaded index, and remembers them
  // so that a newer index loaded before a build has seen them gets them too. Then tells the
  // live listener. Does nothing while live update is off.
  void ApplyLiveChanges(const std::vector<std::string>& paths) SORVIK_EXCLUDES(mutex_);
  // Changes were lost (a watch overflowed or failed, the layer is full): asks for a rebuild now,
  // or right after the one running.
  void LiveChangesLost(const std::string& reason);
  // Called on a watch thread after live changes were applied, outside the index mutex; the
  // search window posts itself a message from it. An empty one removes it.
  void SetLiveListener(std::function<void()> listener);
  struct LiveStatus {
    bool on = false;             // live update is on
    uint32_t drives = 0;         // drives whose watch runs
    uint32_t systemWatches = 0;  // the system watches those hold
    size_t layerSize = 0;        // additions and removals in the live layer
    uint32_t lost = 0;           // times changes were lost since start
    std::string failures;        // why watches could not start
    std::string lastLoss;        // why changes were lost the last time
  };
  LiveStatus GetLiveStatus() SORVIK_EXCLUDES(mutex_);

  // DetailsSource: every load of an index gets a new generation, starting at 1.
  uint32_t Generation() override { return generation_.load(); }
  bool ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) override
      SORVIK_EXCLUDES(mutex_);
  bool RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) override
      SORVIK_EXCLUDES(mutex_);

 private:
  friend void IndexThreadMain(IndexManager* manager);
  // The details reader of results cut under the held mutex (the preloaded details of every
  // search, the results of a Held): it reads without taking the mutex again.
  class LockedReader : public DetailsSource {
   public:
    explicit LockedReader(IndexManager* manager) : manager_(manager) {}
    uint32_t Generation() override { return manager_->generation_.load(); }
    bool ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) override
        SORVIK_NO_THREAD_SAFETY_ANALYSIS;  // REQUIRES: the manager's mutex held.
    bool RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) override
        SORVIK_NO_THREAD_SAFETY_ANALYSIS;  // REQUIRES: the manager's mutex held.

   private:
    IndexManager* manager_;
  };
  // Holds the index lock shared for one scope, with the loaded index made current first.
  class ReadHold {
   public:
    explicit ReadHold(IndexManager* manager) SORVIK_REQUIRES(manager->mutex_) : manager_(manager) {
      manager_->BeginRead();
    }
    ~ReadHold() SORVIK_NO_THREAD_SAFETY_ANALYSIS { manager_->EndRead(); }
    ReadHold(const ReadHold&) = delete;
    ReadHold& operator=(const ReadHold&) = delete;

   private:
    IndexManager* manager_;
  };
  std::string Path(const char* folder) const { return work_ + folder; }
  void LoadIfUsable() SORVIK_REQUIRES(mutex_);
  // The search of Search and Held::Search; its preloaded details are read through the held
  // mutex, later ones through `source`.
  SearchResult* SearchLocked(DetailsSource* source, const SearchRequest& request, int page,
                             int pageSize, uint32_t* total) SORVIK_REQUIRES(mutex_);
  // Entry `id` of the loaded index (its live layer first); false when none is loaded.
  bool DetailsLocked(uint32_t id, EntryDetails* out) SORVIK_REQUIRES(mutex_);
  bool ReadDetailsLocked(uint32_t generation, uint32_t id, EntryDetails* out)
      SORVIK_REQUIRES(mutex_);
  bool RecordRemovalLocked(uint32_t generation, uint32_t id, const std::string& fullPath)
      SORVIK_REQUIRES(mutex_);
  void RecordRemovalLocked(uint32_t id, const std::string& fullPath) SORVIK_REQUIRES(mutex_);
  void NotifySwap();
  // Takes the index lock shared and reloads the index when another process swapped since it
  // was loaded.
  void BeginRead() SORVIK_REQUIRES(mutex_);
  void EndRead() SORVIK_REQUIRES(mutex_);
  // Moves a usable build waiting in the swap folder into place. REQUIRES: no read running.
  void FinishPendingSwap(bool wait) SORVIK_REQUIRES(mutex_);
  // The two renames of a swap: the live folder aside, the swap folder in its place. False, with
  // the live folder as it was, when the first fails (a file in it is open elsewhere).
  // REQUIRES: index lock held exclusively.
  bool MoveSwapFolderIn() SORVIK_REQUIRES(mutex_);
  // The swap; a build that did not succeed is thrown away instead of moved in. True when the
  // build went in.
  bool SwapIn(bool build_succeeded) SORVIK_EXCLUDES(mutex_);
  void SetBuildProblem(const std::string& problem);
  // REQUIRES: index lock held exclusively.
  void LoadUnderExclusiveLock() SORVIK_REQUIRES(mutex_);
  void UnloadIndex() SORVIK_REQUIRES(mutex_);
  // A fresh live layer over loaded_ (none while live update is off or nothing is loaded), with
  // every remembered change applied.
  void ResetLiveLayer() SORVIK_REQUIRES(mutex_);
  // Applies `paths` and the folders holding them to the live layer.
  void ReconcileLive(const std::vector<std::string>& paths) SORVIK_REQUIRES(mutex_);
  // Forgets remembered changes that a build started after seq `seq` has seen.
  void TrimLiveLog(uint64_t seq) SORVIK_REQUIRES(mutex_);
  void LiveThreadMain();
  void SyncLive(LiveWatcher* watcher) SORVIK_EXCLUDES(mutex_);
  void NotifyLive();

  std::string work_;                                  // folder of NIndex, ScanTemp, NIndex_Quillet
  std::unique_ptr<IndexEnvironment> environment_;     // clock, waits, settings, build
  ManualResetEvent refresh_event_;                    // set to ask for a rebuild now
  std::atomic<uint8_t> refreshing_{0};                // set while a build and swap run
  std::atomic<bool> stopping_{false};                 // the manager is being destroyed
  CIndexMutex mutex_;                                 // guards loaded_ and the NIndex files
  LockedReader locked_reader_{this};                  // reads details under the held mutex_
  ProcessLock index_lock_ SORVIK_GUARDED_BY(mutex_);  // the work folder's index lock
  bool runs_thread_ = false;                          // the background thread is started
  bool reading_ SORVIK_GUARDED_BY(mutex_) = false;    // a read holds index_lock_ shared
  uint32_t loaded_swaps_ SORVIK_GUARDED_BY(mutex_) = 0;  // the folder's swap count of loaded_
  // Null when no usable index is loaded.
  std::unique_ptr<LoadedIndex> loaded_ SORVIK_GUARDED_BY(mutex_);
  std::atomic<uint32_t> generation_{kNoGeneration};  // of loaded_; changed under mutex_
  uint32_t loads_ SORVIK_GUARDED_BY(mutex_) = 0;     // indexes loaded so far
  std::mutex listener_mutex_;                        // guards swap_listener_
  std::function<void()> swap_listener_;              // told after every swap
  std::thread thread_;                               // the background index thread
  std::mutex problem_mutex_;                         // guards build_problem_
  std::string build_problem_;                        // why the last build did not go in

  struct LiveLogEntry {
    std::string path;  // as reported
    uint64_t seq;      // live_seq_ when it last changed
  };
  // Over loaded_; null while live update is off.
  std::unique_ptr<LiveLayer> live_layer_ SORVIK_GUARDED_BY(mutex_);
  // Folders of loaded_ looked up for the layer.
  std::unique_ptr<IndexFolderCache> live_folders_ SORVIK_GUARDED_BY(mutex_);
  // LivePathKey -> last change.
  std::unordered_map<std::string, LiveLogEntry> live_log_ SORVIK_GUARDED_BY(mutex_);
  uint64_t live_seq_ SORVIK_GUARDED_BY(mutex_) = 0;           // batches of changes applied so far
  uint64_t build_start_seq_ SORVIK_GUARDED_BY(mutex_) = 0;    // live_seq_ when the build started
  bool live_on_ SORVIK_GUARDED_BY(mutex_) = false;            // live update is on
  std::string live_exclude_list_ SORVIK_GUARDED_BY(mutex_);   // left-out folders, as last read
  FolderExclusion live_exclusion_ SORVIK_GUARDED_BY(mutex_);  // what the layer never takes in
  // The layer passed its bound: a rebuild is asked for.
  bool live_full_ SORVIK_GUARDED_BY(mutex_) = false;
  std::atomic<uint32_t> live_lost_{0};   // times changes were lost
  ManualResetEvent live_stop_;           // ends the live thread
  std::thread live_thread_;              // keeps the watches in line with the settings
  std::mutex live_status_mutex_;         // guards live_status_
  LiveStatus live_status_;               // watch counts as the live thread saw them last
  std::mutex live_listener_mutex_;       // guards live_listener_
  std::function<void()> live_listener_;  // told after live changes were applied
};

// The background index thread: online step, logon delay, rebuild of an unusable index, then the
// schedule loop until the manager is destroyed.
void IndexThreadMain(IndexManager* manager);

}  // namespace sorvik
