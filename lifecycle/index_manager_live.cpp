// The index manager's live part: the watch threads' changes go into a layer over the loaded
// index (query/live_layer.h), are remembered until a build that started after them is swapped
// in, and are applied again to every index loaded before that.
#include <chrono>
#include <set>

#include "lifecycle/index_manager.h"
#include "lifecycle/live_reconcile.h"
#include "lifecycle/live_watcher.h"
#include "platform/local_time.h"
#include "query/live_layer.h"
#include "query/loaded_index.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

uint64_t MonotonicMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

int CurrentYear() {
  LocalTime now;
  return LocalNow(&now) ? now.year : 0;
}

// The folder holding `path`, when that is not a drive root ("C:\a\b" -> "C:\a"; "C:\a" -> "").
std::string HoldingFolder(const std::string& path) {
  const std::string folder = GbkFolderOf(path);
  return folder.size() <= 2 ? std::string() : folder;
}

// "DC" -> {"D:", "C:"}.
std::vector<std::string> RootsOf(const std::string& letters) {
  std::vector<std::string> roots;
  for (char letter : letters) roots.push_back(std::string(1, letter) + ":");
  return roots;
}

}  // namespace

void IndexManager::StartLiveUpdate() {
  if (live_thread_.joinable()) return;
  live_thread_ = std::thread(&IndexManager::LiveThreadMain, this);
}

void IndexManager::LiveThreadMain() {
  LiveWatcher watcher([this](std::vector<std::string>* paths) { ApplyLiveChanges(*paths); },
                      [this](const std::string& reason) { LiveChangesLost(reason); });
  do {
    SyncLive(&watcher);
  } while (!live_stop_.Wait(kLiveCheckMs));
  // The watcher stops its threads as it goes, before the manager does.
}

void IndexManager::SyncLive(LiveWatcher* watcher) {
  const bool on = environment_->LiveUpdate();
  const std::string exclude_list = environment_->ExcludeList();
  bool changed = false;
  {
    IndexMutexHold hold(&mutex_);
    if (exclude_list != live_exclude_list_) {
      // The remembered changes are taken in again under the new list.
      live_exclude_list_ = exclude_list;
      live_exclusion_ = FolderExclusion(SplitExcludeList(exclude_list));
      ResetLiveLayer();
      changed = true;
    }
    if (on != live_on_) {
      live_on_ = on;
      live_log_.clear();
      live_full_ = false;
      ResetLiveLayer();
      changed = true;
    }
  }
  // Outside the index mutex: a watch thread being stopped may be waiting for it.
  watcher->Watch(on ? RootsOf(environment_->IndexedDrives()) : std::vector<std::string>(),
                 MonotonicMs());
  {
    std::lock_guard<std::mutex> hold(live_status_mutex_);
    live_status_.on = on;
    live_status_.drives = watcher->Running(&live_status_.systemWatches);
    live_status_.failures = watcher->Failures();
  }
  if (changed) NotifyLive();
}

IndexManager::LiveStatus IndexManager::GetLiveStatus() {
  LiveStatus status;
  {
    std::lock_guard<std::mutex> hold(live_status_mutex_);
    status = live_status_;
  }
  IndexMutexHold hold(&mutex_);
  status.layerSize = live_layer_ ? live_layer_->Size() : 0;
  status.lost = live_lost_.load();
  return status;
}

void IndexManager::ResetLiveLayer() {
  live_layer_.reset();
  live_full_ = false;
  if (!live_on_ || !loaded_) return;
  live_layer_ = std::make_unique<LiveLayer>(loaded_->EntryCount());
  live_folders_ = std::make_unique<IndexFolderCache>();
  std::vector<std::string> remembered;
  for (const auto& item : live_log_) remembered.push_back(item.second.path);
  ReconcileLive(remembered);
}

void IndexManager::ReconcileLive(const std::vector<std::string>& paths) {
  if (!live_layer_ || live_full_ || paths.empty()) return;
  // A change below a folder changes the folder's own time too; each path once per batch.
  std::set<std::string> seen;
  std::vector<const std::string*> order;
  std::vector<std::string> holders;
  holders.reserve(paths.size());
  for (const std::string& path : paths) {
    holders.push_back(HoldingFolder(path));
    for (const std::string* one : {&path, static_cast<const std::string*>(&holders.back())}) {
      if (!one->empty() && seen.insert(LivePathKey(*one)).second) order.push_back(one);
    }
  }
  LiveReconciler reconciler(loaded_.get(), live_folders_.get(), live_layer_.get(), CurrentYear(),
                            &live_exclusion_);
  for (const std::string* path : order) {
    reconciler.Reconcile(*path);
    if (live_layer_->Size() > kLiveLayerLimit) {
      live_full_ = true;  // served as it is until the rebuild asked for below swaps in
      return;
    }
  }
}

void IndexManager::ApplyLiveChanges(const std::vector<std::string>& paths) {
  bool lost = false;
  {
    IndexMutexHold hold(&mutex_);
    if (!live_on_) return;
    ReadHold read(this);  // loads an index another process swapped in, changes and all
    ++live_seq_;
    for (const std::string& path : paths) live_log_[LivePathKey(path)] = {path, live_seq_};
    if (live_log_.size() > kLiveLayerLimit) {
      live_log_.clear();  // too many to apply again: the next build must see them
      lost = true;
    }
    const bool was_full = live_full_;
    if (loaded_) ReconcileLive(paths);
    lost = lost || (live_full_ && !was_full);
  }
  if (lost) LiveChangesLost("the live layer is full");
  NotifyLive();
}

void IndexManager::TrimLiveLog(uint64_t seq) {
  for (auto it = live_log_.begin(); it != live_log_.end();) {
    it = it->second.seq <= seq ? live_log_.erase(it) : std::next(it);
  }
}

void IndexManager::LiveChangesLost(const std::string& reason) {
  {
    std::lock_guard<std::mutex> hold(live_status_mutex_);
    live_status_.lastLoss = reason;
  }
  ++live_lost_;
  // Set even while a build runs: the index thread resets the event before each build, so this
  // one brings the next build once the running one is in.
  refresh_event_.Set();
}

void IndexManager::SetLiveListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> hold(live_listener_mutex_);
  live_listener_ = std::move(listener);
}

void IndexManager::NotifyLive() {
  std::lock_guard<std::mutex> hold(live_listener_mutex_);
  if (live_listener_) live_listener_();
}

}  // namespace sorvik
