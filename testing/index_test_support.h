// Test support for the index lifecycle: an environment whose clock and waits are virtual, and
// a helper that builds a real index of a test drive into a work folder. Tests only.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "lifecycle/build_index.h"
#include "lifecycle/index_environment.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "platform/sync.h"
#include "settings/config_store.h"
#include "testing/test_util.h"

namespace sorvik {
namespace testing {

// A clock that only moves when the thread sleeps or waits, settings held in memory, and a build
// that runs the real build run (or a test's own).
class FakeEnvironment : public IndexEnvironment {
 public:
  FakeEnvironment(ConfigStore* settings, const BuildOptions& build)
      : settings_(settings), build_(build) {}

  double Now() override { return now_.load(); }
  bool LastWriteDate(const std::string& path, double* date) override {
    if (!PathExists(path)) return false;
    *date = last_build_.load();
    return true;
  }
  void Sleep(uint32_t ms) override { Advance(ms); }
  bool Wait(ManualResetEvent* event, uint32_t ms) override {
    ++waits;
    if (event->Wait(1)) return true;
    Advance(ms);
    return false;
  }
  int UpdateFrequency() override { return frequency; }
  bool StartedAtLogon() override { return at_logon; }
  Status Build() override {
    if (during_build) during_build();
    ++builds;
    last_build_ = now_.load();
    const Status built =
        build_fails ? Status::IOError("the build failed") : BuildIndex(settings_, build_);
    if (after_build) after_build();
    return built;
  }
  void FetchNoticesAndUpdates() override { ++online_steps; }
  bool LiveUpdate() override { return live_update.load(); }
  std::string IndexedDrives() override { return DrivesToWalk(settings_); }
  std::string ExcludeList() override { return JoinExcludeList(ExcludedFolders(settings_)); }

  void Advance(uint32_t ms) { now_ = now_.load() + ms / 86400000.0; }
  double Minutes() const { return now_.load() * 1440.0; }

  std::atomic<int> frequency{60};        // "index_update_freq"
  std::atomic<bool> at_logon{false};     // "/auto" given
  std::atomic<bool> build_fails{false};  // Build makes nothing
  std::atomic<int> builds{0};            // Build calls
  std::atomic<int> waits{0};             // Wait calls
  std::atomic<int> online_steps{0};      // FetchNoticesAndUpdates calls
  std::function<void()> during_build;    // runs inside Build before the build run
  std::function<void()> after_build;     // runs inside Build after the build run
  std::atomic<bool> live_update{true};   // "live_update"

 private:
  ConfigStore* settings_;
  BuildOptions build_;
  std::atomic<double> now_{46000.0};     // virtual local time, an automation date
  std::atomic<double> last_build_{0.0};  // virtual time of the last build
};

// A work folder with its own settings file; the build walks only `drives` ("Q:" or "Q:|R:").
struct WorkFolder {
  explicit WorkFolder(const std::string& drives)
      : settings(folder.Join(kConfigFileName)), work(folder.Path() + kSep) {
    settings.Set(kConfigIndexPosition, drives);
    build.work = work;
    build.settle_ms = 0;
  }
  std::string Live() const { return work + kLiveFolder; }

  TempFolder folder;     // holds NIndex, ScanTemp, Config.xml
  ConfigStore settings;  // the work folder's settings
  std::string work;      // folder + separator
  BuildOptions build;    // builds into this work folder
};

// Waits (really) until `done` holds, at most ~20 s; true when it did.
inline bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 20000 && !done(); ++i) SleepMs(1);
  return done();
}

}  // namespace testing
}  // namespace sorvik
