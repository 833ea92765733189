// What the background index thread needs from the outside world: the clock, sleeps and waits,
// the settings and the build run. The program uses SystemIndexEnvironment; tests put in their
// own to run the schedule in milliseconds.
#pragma once

#include <cstdint>
#include <string>

#include "index/folder_exclusion.h"
#include "lifecycle/build_index.h"

namespace sorvik {

class ConfigStore;
class ManualResetEvent;

class IndexEnvironment {
 public:
  virtual ~IndexEnvironment() = default;
  // The local time now, as an automation date (whole seconds).
  virtual double Now() = 0;
  // The local last-write time of the file at `path` as an automation date; false when the file
  // cannot be found.
  virtual bool LastWriteDate(const std::string& path, double* date) = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Waits for `event` at most `ms` milliseconds; true when it was set.
  virtual bool Wait(ManualResetEvent* event, uint32_t ms) = 0;
  // "index_update_freq" in minutes (60 when missing).
  virtual int UpdateFrequency() = 0;
  // Whether the program was started at logon ("/auto" on its command line).
  virtual bool StartedAtLogon() = 0;
  // The build run into the build folder; fails, with the reason, when it produced no usable
  // index or was refused (a chosen drive is gone, lifecycle/build_index.h).
  virtual Status Build() = 0;
  // The online step at thread start: notices and the update check. It has no effect on the
  // index; the program's update service plugs in here.
  virtual void FetchNoticesAndUpdates() = 0;
  // Whether the index follows the disk between builds ("live_update"); off unless overridden.
  virtual bool LiveUpdate() { return false; }
  // The letters of the drives a build walks now ("DC"), which live update watches.
  virtual std::string IndexedDrives() { return std::string(); }
  // The folders left out of the index, patterns joined by "|" (none unless overridden).
  virtual std::string ExcludeList() { return std::string(); }
};

// The real thing: system clock and waits, the settings store, BuildIndex.
class SystemIndexEnvironment : public IndexEnvironment {
 public:
  SystemIndexEnvironment(ConfigStore* settings, const BuildOptions& build, bool started_at_logon)
      : settings_(settings), build_(build), started_at_logon_(started_at_logon) {}
  double Now() override;
  bool LastWriteDate(const std::string& path, double* date) override;
  void Sleep(uint32_t ms) override;
  bool Wait(ManualResetEvent* event, uint32_t ms) override;
  int UpdateFrequency() override;
  bool StartedAtLogon() override { return started_at_logon_; }
  Status Build() override;
  // Runs the online step the program installed with SetOnlineStep, if any.
  void FetchNoticesAndUpdates() override;
  bool LiveUpdate() override;
  std::string IndexedDrives() override { return DrivesToWalk(settings_); }
  std::string ExcludeList() override { return JoinExcludeList(ExcludedFolders(settings_)); }
  // Installs the program's online step (notices and update check); null removes it.
  static void SetOnlineStep(void (*step)());

 private:
  ConfigStore* settings_;  // where the schedule and the drive choice are read
  BuildOptions build_;     // where and how the build runs
  bool started_at_logon_;  // "/auto" was on the command line
};

}  // namespace sorvik
