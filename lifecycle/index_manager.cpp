#include "lifecycle/index_manager.h"

#include "index/name_index_format.h"
#include "lifecycle/index_schedule.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "query/folder_tree.h"
#include "query/gbk_text.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "query/removal_list.h"
#include "query/search_result.h"
#include "settings/config_store.h"

namespace sorvik {
namespace {

BuildOptions g_instance_build;
bool g_instance_logon = false;

// Holds the index mutex for one scope.
class MutexHold {
 public:
  explicit MutexHold(CIndexMutex* mutex) : mutex_(mutex) { mutex_->Lock(); }
  ~MutexHold() { mutex_->Unlock(); }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  CIndexMutex* mutex_;
};

}  // namespace

void IndexManager::SetInstanceOptions(const BuildOptions& build, bool started_at_logon) {
  g_instance_build = build;
  g_instance_logon = started_at_logon;
}

IndexManager& IndexManager::Instance() {
  static IndexManager* manager =
      new IndexManager(g_instance_build.work,
                       std::make_unique<SystemIndexEnvironment>(&ConfigStore::Instance(),
                                                                g_instance_build, g_instance_logon),
                       true);
  return *manager;
}

IndexManager::IndexManager(const std::string& work, std::unique_ptr<IndexEnvironment> environment,
                           bool start_thread)
    : work_(work), environment_(std::move(environment)), refresh_event_(kRefreshEventName) {
  RecoverInterruptedSwap();
  {
    MutexHold hold(&mutex_);
    LoadIfUsable();
  }
  if (start_thread) thread_ = std::thread(IndexThreadMain, this);
}

IndexManager::~IndexManager() {
  stopping_ = true;
  refresh_event_.Set();
  if (thread_.joinable()) thread_.join();
}

void IndexManager::RecoverInterruptedSwap() {
  // A process that ended between deleting the old folder and renaming the new one left the new
  // index under the transient name: it is the newest usable index.
  if (!IndexUsable() && IndexUsableAt(Path(kSwapFolder))) {
    DeleteFolderTree(Path(kLiveFolder));
    RenamePath(Path(kSwapFolder), Path(kLiveFolder));
  }
}

void IndexManager::LoadIfUsable() {
  loaded_.reset();
  generation_ = kNoGeneration;
  if (!IndexUsable()) return;
  auto index = std::make_unique<LoadedIndex>();
  if (!index->Open(Path(kLiveFolder))) return;
  loaded_ = std::move(index);
  // Even the same folder loaded again gets a new number: a page never outlives a load.
  generation_ = ++loads_;
}

bool IndexManager::HasLoadedIndex() {
  MutexHold hold(&mutex_);
  return loaded_ != nullptr;
}

SearchResult* IndexManager::Search(const SearchRequest& request, int page, int pageSize,
                                   uint32_t* total) {
  MutexHold hold(&mutex_);
  *total = 0;
  if (!loaded_) return nullptr;
  return RunQuery(loaded_.get(), this, request, page, pageSize, total);
}

bool IndexManager::GetDetails(uint32_t id, EntryDetails* out) {
  MutexHold hold(&mutex_);
  if (!loaded_) return false;
  LoadEntryDetails(loaded_->store(), id, out);
  return true;
}

bool IndexManager::ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) {
  MutexHold hold(&mutex_);
  if (!loaded_ || generation != generation_.load()) return false;
  LoadEntryDetails(loaded_->store(), id, out);
  return true;
}

uint32_t IndexManager::MonthCodesOf(int slot, std::vector<uint16_t>* out) {
  MutexHold hold(&mutex_);
  if (!loaded_) return 0;
  return loaded_->MonthCodesOf(slot, out);
}

void IndexManager::RecordRemoval(uint32_t id, const std::string& fullPath) {
  MutexHold hold(&mutex_);
  RecordRemovalLocked(id, fullPath);
}

bool IndexManager::RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) {
  MutexHold hold(&mutex_);
  if (!loaded_ || generation != generation_.load()) return false;
  RecordRemovalLocked(id, fullPath);
  return true;
}

void IndexManager::RecordRemovalLocked(uint32_t id, const std::string& fullPath) {
  EntryDetails details;
  // Ids with bit 31 set cannot be stored as single removals.
  if ((id & kRemovedFolderFlag) != 0 || !GetDetails(id, &details)) return;
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

void IndexManager::SwapInNewIndex() { SwapIn(true); }

void IndexManager::SwapIn(bool build_succeeded) {
  const std::string build = Path(kBuildFolder);
  {
    MutexHold hold(&mutex_);
    loaded_.reset();
    environment_->Sleep(kSwapSettleMs);
    DeleteFolderTree(Path(kSwapFolder));
    // A failed build, or one that is not a usable index, never replaces the live one; the live
    // one then keeps its removal list, whose ids are still its own.
    if (build_succeeded && IndexUsableAt(build) && RenamePath(build, Path(kSwapFolder))) {
      DeleteFolderTree(Path(kLiveFolder));
      if (RenamePath(Path(kSwapFolder), Path(kLiveFolder))) {
        RemoveFile(Path(kLiveFolder) + "\\" + kRemovalFileName);
      }
      // A last rename that failed after the old folder went leaves the new index under the
      // transient name; one more try now, else the next start takes it.
      RecoverInterruptedSwap();
    } else {
      DeleteFolderTree(build);
    }
    LoadIfUsable();
  }
  uintptr_t window = FindProgressWindow();
  if (window != 0) SendIndexDone(window, kIndexDoneText);
  NotifySwap();
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
  refreshing_ = 1;
  const bool built = environment_->Build();
  SwapIn(built);
  refreshing_ = 0;
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
    if (environment->Wait(&manager->refresh_event_, kWakeIntervalMs)) {
      if (manager->stopping_) return;
      manager->Refresh();
      manager->refresh_event_.Reset();
    }
  }
}

}  // namespace sorvik
