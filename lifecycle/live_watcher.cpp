#include "lifecycle/live_watcher.h"

#include <algorithm>

#include "platform/watch.h"

namespace sorvik {

struct LiveWatcher::Drive {
  std::string root;                  // "C:"
  std::thread thread;                // its watch thread
  std::atomic<bool> stop{false};     // asks the thread to end
  std::atomic<bool> ended{false};    // the thread has ended (stopped, failed, not started)
  std::atomic<uint32_t> watches{0};  // system watches held while running
  uint64_t ended_at_ms = 0;          // when Watch first saw it ended
  mutable std::mutex error_mutex;    // guards error
  std::string error;                 // why the watch could not start, if it could not
};

LiveWatcher::LiveWatcher(ChangesFn changes, LostFn lost)
    : changes_(std::move(changes)), lost_(std::move(lost)) {}

LiveWatcher::~LiveWatcher() { Watch({}, 0); }

void LiveWatcher::Run(Drive* drive) {
  std::string error;
  std::unique_ptr<FolderWatch> watch = FolderWatch::Open(drive->root, &error);
  if (!watch) {
    std::lock_guard<std::mutex> hold(drive->error_mutex);
    drive->error = error;
    drive->ended = true;
    return;
  }
  drive->watches = watch->SystemWatches();
  std::vector<std::string> paths;
  while (!drive->stop) {
    paths.clear();
    const WatchStatus status = watch->Wait(kWaitMs, &paths);
    drive->watches = watch->SystemWatches();
    // A loss is told first, so that its rebuild starts while the paths that came are applied.
    if (status == WatchStatus::kOverflow) lost_("changes on " + drive->root + " were lost");
    if (!paths.empty()) changes_(&paths);
    if (status == WatchStatus::kFailed) {
      lost_("the watch of " + drive->root + " failed");
      break;
    }
  }
  drive->watches = 0;
  drive->ended = true;
}

void LiveWatcher::Watch(const std::vector<std::string>& roots, uint64_t now_ms) {
  for (auto it = drives_.begin(); it != drives_.end();) {
    Drive& drive = **it;
    const bool wanted = std::find(roots.begin(), roots.end(), drive.root) != roots.end();
    if (drive.ended && drive.ended_at_ms == 0) drive.ended_at_ms = std::max<uint64_t>(now_ms, 1);
    const bool retry = drive.ended && now_ms >= drive.ended_at_ms + kRetryMs;
    if (wanted && !retry) {
      ++it;
      continue;
    }
    drive.stop = true;
    if (drive.thread.joinable()) drive.thread.join();
    it = drives_.erase(it);
  }
  for (const std::string& root : roots) {
    const bool running =
        std::any_of(drives_.begin(), drives_.end(),
                    [&](const std::unique_ptr<Drive>& d) { return d->root == root; });
    if (running) continue;
    auto drive = std::make_unique<Drive>();
    drive->root = root;
    Drive* raw = drive.get();
    drive->thread = std::thread([this, raw] { Run(raw); });
    drives_.push_back(std::move(drive));
  }
}

uint32_t LiveWatcher::Running(uint32_t* system_watches) const {
  uint32_t running = 0;
  *system_watches = 0;
  for (const auto& drive : drives_) {
    if (drive->ended) continue;
    ++running;
    *system_watches += drive->watches;
  }
  return running;
}

std::string LiveWatcher::Failures() const {
  std::string text;
  for (const auto& drive : drives_) {
    std::lock_guard<std::mutex> hold(drive->error_mutex);
    if (!drive->error.empty()) text += drive->error + "\n";
  }
  return text;
}

}  // namespace sorvik
