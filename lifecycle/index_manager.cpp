#include "lifecycle/index_manager.h"

#include "index/name_index_format.h"
#include "lifecycle/index_schedule.h"
#include "lifecycle/live_reconcile.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "query/folder_tree.h"
#include "query/live_layer.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "query/removal_list.h"
#include "query/search_result.h"
#include "settings/config_store.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr int kSwapAttempts = 5;        // tries to move the live folder aside in one swap
constexpr uint32_t kSwapRetryMs = 200;  // pause between two tries

BuildOptions g_instance_build;
bool g_instance_logon = false;

using MutexHold = IndexMutexHold;

}  // namespace

void IndexManager::SetInstanceOptions(const BuildOptions& build, bool started_at_logon) {
  g_instance_build = build;
  g_instance_logon = started_at_logon;
}

IndexManager& IndexManager::Instance() {
  static IndexManager* manager = [] {
    auto* created =
        new IndexManager(g_instance_build.work,
                         std::make_unique<SystemIndexEnvironment>(
                             &ConfigStore::Instance(), g_instance_build, g_instance_logon),
                         true);
    created->StartLiveUpdate();
    return created;
  }();
  return *manager;
}

IndexManager::IndexManager(const std::string& work, std::unique_ptr<IndexEnvironment> environment,
                           bool start_thread)
    : work_(work),
      environment_(std::move(environment)),
      refresh_event_(kRefreshEventName),
      index_lock_(work + kIndexLockFile),
      runs_thread_(start_thread),
      live_stop_("") {
  {
    MutexHold hold(&mutex_);
    ReadHold read(this);
  }
  if (start_thread) thread_ = std::thread(IndexThreadMain, this);
}

IndexManager::~IndexManager() {
  // The watch threads first: they wait for the index mutex, never the other way round.
  live_stop_.Set();
  if (live_thread_.joinable()) live_thread_.join();
  stopping_ = true;
  refresh_event_.Set();
  if (thread_.joinable()) thread_.join();
}

void IndexManager::BeginRead() {
  reading_ = true;
  // A build left in the swap folder is newer than the live index: it goes in first, unless
  // another process is swapping right now (it then finishes the job itself).
  if (PathExists(Path(kSwapFolder))) FinishPendingSwap(false);
  // Without a lock file (a read-only folder that never had one) nobody can swap here: the index
  // is read unlocked.
  const uint32_t swaps =
      index_lock_.Lock(ProcessLock::Mode::kShared, true) ? index_lock_.ReadCounter() : 0;
  if (!loaded_ || swaps != loaded_swaps_) {
    LoadIfUsable();
    loaded_swaps_ = swaps;
  }
}

void IndexManager::EndRead() {
  reading_ = false;
  index_lock_.Unlock();
}

void IndexManager::FinishPendingSwap(bool wait) {
  if (!index_lock_.Lock(ProcessLock::Mode::kExclusive, wait)) return;
  if (IndexUsableAt(Path(kSwapFolder))) {
    UnloadIndex();  // its open files would hold the live folder in place
    MoveSwapFolderIn();
  } else if (!IndexUsable() && IndexUsableAt(Path(kRetiredFolder))) {
    // Ended between the two renames with nothing to move in: the old index comes back.
    DeleteFolderTree(Path(kLiveFolder));
    RenamePath(Path(kRetiredFolder), Path(kLiveFolder));
  }
  LoadUnderExclusiveLock();
  index_lock_.Unlock();
}

bool IndexManager::MoveSwapFolderIn() {
  const std::string live = Path(kLiveFolder);
  const std::string old = Path(kRetiredFolder);
  DeleteFolderTree(old);  // left by an earlier swap that could not delete it
  const bool had_live = PathExists(live);
  if (had_live && !RenamePath(live, old)) return false;
  if (!RenamePath(Path(kSwapFolder), live)) {
    if (had_live) RenamePath(old, live);
    return false;
  }
  RemoveFile(live + "\\" + kRemovalFileName);
  // Readers in other processes compare the count with the one their index was loaded at.
  index_lock_.WriteCounter(index_lock_.ReadCounter() + 1);
  DeleteFolderTree(old);  // what cannot go now goes at the next swap
  return true;
}

void IndexManager::LoadUnderExclusiveLock() {
  LoadIfUsable();
  loaded_swaps_ = index_lock_.Held() ? index_lock_.ReadCounter() : 0;
}

void IndexManager::CompletePendingSwap() {
  MutexHold hold(&mutex_);
  if (!reading_ && PathExists(Path(kSwapFolder))) FinishPendingSwap(false);
}

void IndexManager::UnloadIndex() {
  live_layer_.reset();  // its ids belong to the index going
  live_folders_.reset();
  loaded_.reset();
  generation_ = kNoGeneration;
}

void IndexManager::LoadIfUsable() {
  UnloadIndex();
  if (!IndexUsable()) return;
  auto index = std::make_unique<LoadedIndex>();
  if (!index->Open(Path(kLiveFolder))) {
    // Files that do not fit each other (cut short, damaged): nothing is loaded, searches say
    // there is no index, and the background thread builds a new one.
    SetBuildProblem("the index in " + Path(kLiveFolder) + " is damaged: " + index->Problem());
    if (runs_thread_) RequestRefresh();
    return;
  }
  loaded_ = std::move(index);
  // Even the same folder loaded again gets a new number: a page never outlives a load.
  generation_ = ++loads_;
  ResetLiveLayer();
}

bool IndexManager::HasLoadedIndex() {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  return loaded_ != nullptr;
}

void IndexManager::ReadInOneHold(const std::function<void(Held& held)>& read) {
  MutexHold hold(&mutex_);
  ReadHold read_hold(this);
  Held held(this);
  read(held);
}

SearchResult* IndexManager::Held::Search(const SearchRequest& request, int page, int pageSize,
                                         uint32_t* total) {
  return manager_->SearchLocked(&manager_->locked_reader_, request, page, pageSize, total);
}

SearchResult* IndexManager::Search(const SearchRequest& request, int page, int pageSize,
                                   uint32_t* total) {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  return SearchLocked(this, request, page, pageSize, total);
}

SearchResult* IndexManager::SearchLocked(DetailsSource* source, const SearchRequest& request,
                                         int page, int pageSize, uint32_t* total) {
  *total = 0;
  if (!loaded_) return nullptr;
  SearchResult* result = RunQuery(loaded_.get(), source, request, page, pageSize, total,
                                  live_layer_.get(), &locked_reader_);
  const std::string damage = result == nullptr ? loaded_->Damage() : std::string();
  if (!damage.empty()) {
    // A key that does not fit its files: every search that reads it fails (those that read only
    // sound keys still answer), the reason is kept as for an index found damaged at load, and
    // the background thread builds a new one.
    SetBuildProblem("the index in " + Path(kLiveFolder) + " is damaged: " + damage);
    if (runs_thread_) RequestRefresh();
  }
  return result;
}

bool IndexManager::GetDetails(uint32_t id, EntryDetails* out) {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  return DetailsLocked(id, out);
}

bool IndexManager::DetailsLocked(uint32_t id, EntryDetails* out) {
  if (!loaded_) return false;
  if (live_layer_ && live_layer_->Details(id, out)) return true;
  LoadEntryDetails(loaded_->store(), id, out);
  return true;
}

bool IndexManager::ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) {
  MutexHold hold(&mutex_);
  ReadHold read(this);  // a swap by another process since the page was cut changes the generation
  return ReadDetailsLocked(generation, id, out);
}

bool IndexManager::ReadDetailsLocked(uint32_t generation, uint32_t id, EntryDetails* out) {
  return generation == generation_.load() && DetailsLocked(id, out);
}

bool IndexManager::LockedReader::ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) {
  return manager_->ReadDetailsLocked(generation, id, out);
}

bool IndexManager::LockedReader::RecordRemoval(uint32_t generation, uint32_t id,
                                               const std::string& fullPath) {
  return manager_->RecordRemovalLocked(generation, id, fullPath);
}

uint32_t IndexManager::MonthCodesOf(int slot, std::vector<uint16_t>* out) {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  if (!loaded_) return 0;
  return loaded_->MonthCodesOf(slot, out);
}

void IndexManager::RecordRemoval(uint32_t id, const std::string& fullPath) {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  RecordRemovalLocked(id, fullPath);
}

bool IndexManager::RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) {
  MutexHold hold(&mutex_);
  ReadHold read(this);
  return RecordRemovalLocked(generation, id, fullPath);
}

bool IndexManager::RecordRemovalLocked(uint32_t generation, uint32_t id,
                                       const std::string& fullPath) {
  if (!loaded_ || generation != generation_.load()) return false;
  RecordRemovalLocked(id, fullPath);
  return true;
}

void IndexManager::RecordRemovalLocked(uint32_t id, const std::string& fullPath) {
  // An entry that came in since the build lives only in the layer, and leaves it there.
  if (live_layer_ && live_layer_->EraseId(id, fullPath)) return;
  EntryDetails details;
  // Ids with bit 31 set cannot be stored as single removals.
  if ((id & kRemovedFolderFlag) != 0 || !DetailsLocked(id, &details)) return;
  if (!GbkEqualNoCase(details.FullPath(), fullPath)) return;  // the id names another entry now
  const std::string list = loaded_->PathOf(kRemovalFileName);
  FolderRange folder;
  if (details.IsFolder() &&
      FindFolder(loaded_->folders(), loaded_->store(), details.FullPath(), &folder) &&
      folder.entriesBelow != 0) {
    AppendRemoval(list, id | kRemovedFolderFlag);
    AppendRemoval(list, folder.entriesBelow);
  } else {
    AppendRemoval(list, id);
  }
}

void IndexManager::RequestRefresh() {
  if (refreshing_.load() == 0) refresh_event_.Set();
}

bool IndexManager::SwapInNewIndex() { return SwapIn(true); }

void IndexManager::SetBuildProblem(const std::string& problem) {
  std::lock_guard<std::mutex> hold(problem_mutex_);
  build_problem_ = problem;
}

bool IndexManager::SwapIn(bool build_succeeded) {
  const std::string build = Path(kBuildFolder);
  bool moved = false;
  {
    MutexHold hold(&mutex_);
    UnloadIndex();
    environment_->Sleep(kSwapSettleMs);
    // Readers in other processes rely on the lock to never see half a swap: a lock file that
    // cannot be opened (a dangling link, no rights) stops the swap rather than being skipped.
    const bool locked = index_lock_.Lock(ProcessLock::Mode::kExclusive, true);
    if (!locked && build_succeeded) {
      SetBuildProblem("cannot lock " + Path(kIndexLockFile) + "; the new index was not moved in");
    }
    if (locked) DeleteFolderTree(Path(kSwapFolder));
    // A failed build, or one that is not a usable index, never replaces the live one; the live
    // one then keeps its removal list, whose ids are still its own.
    if (locked && build_succeeded && IndexUsableAt(build) && RenamePath(build, Path(kSwapFolder))) {
      // The live folder cannot move while another process has a file in it open: the old index
      // stays whole and the move is tried again, here a few times, later by any process that
      // reads the index.
      moved = MoveSwapFolderIn();
      for (int attempt = 1; !moved && attempt < kSwapAttempts; ++attempt) {
        index_lock_.Unlock();
        SleepMs(kSwapRetryMs);
        index_lock_.Lock(ProcessLock::Mode::kExclusive, true);
        moved = MoveSwapFolderIn();
      }
      // What changed before the build started is in the new index; the rest is applied again.
      if (moved) TrimLiveLog(build_start_seq_);
    } else {
      DeleteFolderTree(build);
    }
    LoadUnderExclusiveLock();
    index_lock_.Unlock();
  }
  uintptr_t window = FindProgressWindow();
  if (window != 0) SendIndexDone(window, kIndexDoneText);
  NotifySwap();
  return moved;
}

void IndexManager::SetSwapListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> hold(listener_mutex_);
  swap_listener_ = std::move(listener);
}

void IndexManager::NotifySwap() {
  std::lock_guard<std::mutex> hold(listener_mutex_);
  if (swap_listener_) swap_listener_();
}

void IndexManager::Refresh() {
  ProcessLock build_lock(Path(kBuildLockFile));
  if (!build_lock.Lock(ProcessLock::Mode::kExclusive, false)) {
    // Held by another build, whose swap serves this process too; a lock file that cannot be
    // opened would let two builds share the build folder: no build then.
    if (!build_lock.Opened()) SetBuildProblem("cannot lock " + Path(kBuildLockFile));
    return;
  }
  refreshing_ = 1;
  {
    MutexHold hold(&mutex_);
    build_start_seq_ = live_seq_;
  }
  const Status built = environment_->Build();
  SetBuildProblem(built.ok() ? std::string() : built.message());
  SwapIn(built.ok());
  refreshing_ = 0;
}

std::string IndexManager::LastBuildProblem() {
  std::lock_guard<std::mutex> hold(problem_mutex_);
  return build_problem_;
}

void IndexThreadMain(IndexManager* manager) {
  IndexEnvironment* environment = manager->environment_.get();
  manager->refreshing_ = 0;
  environment->FetchNoticesAndUpdates();
  if (environment->StartedAtLogon()) environment->Sleep(kLogonStartDelayMs);
  if (manager->stopping_) return;
  if (!manager->IndexUsable()) manager->Refresh();
  const std::string index_file = manager->Path(kLiveFolder) + "\\" + names::kPostingFile;
  while (!manager->stopping_) {
    const int frequency = environment->UpdateFrequency();
    double last_write = 0;
    const bool found = environment->LastWriteDate(index_file, &last_write);
    if (ScheduledRebuildDue(frequency, found, environment->Now(), last_write)) manager->Refresh();
    manager->CompletePendingSwap();
    if (environment->Wait(&manager->refresh_event_, kWakeIntervalMs)) {
      if (manager->stopping_) return;
      // Reset first: a request that lost live changes during this build asks for the next one.
      manager->refresh_event_.Reset();
      manager->Refresh();
    }
  }
}

}  // namespace sorvik
