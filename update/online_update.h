// The online step at the start of the background thread: the notice download, the version
// check and the staged update handed to the outside updater. Every failure leaves no trace: the
// scratch files are deleted and an abandoned staging folder is removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/update_formats.h"

namespace sorvik {

constexpr char kVersionScratch[] = "00-1B-24-32-DC-B3.tmp";  // version answer, then update list
constexpr char kNoticeScratch[] = "00-1B-24-32-DC-B4.tmp";   // notice file as downloaded
constexpr char kPlainScratch[] = "00-1B-24-32-DC-B5.tmp";    // notice file decrypted
constexpr char kStagingFolder[] = "update_Quillet";
constexpr char kUpdaterName[] = "LiveUpdate.exe";
constexpr char kRegistrationName[] = "Comfiles.reg";
constexpr uint64_t kMaxUpdateFileBytes = 64ull * 1024 * 1024;  // one downloaded program file
constexpr uint32_t kExitCommand = 32772;                       // the search window's exit command
constexpr char kUpdateMessage[] =
    "Sorvik已经进行升级,为了您能使用最新的功能程序将关闭后再帮您启动！";
constexpr char kUpdateCaption[] = "Sorvik自动更新 - 提示";

// Where the step runs.
struct UpdateSetup {
  std::string server;          // "http://host:port", no trailing "/"
  std::string program_folder;  // holds the scratch files; no trailing backslash
  std::string system_folder;   // no trailing backslash
  std::string program_path;    // the running program, line 1 of the registration file
};

// The setup of the running program: its folder and path, the system folder, UpdateServer().
UpdateSetup SystemUpdateSetup();

enum class UpdateOutcome {
  kNoList,       // the update list could not be downloaded or read, or is empty
  kNothingToDo,  // every listed file is already current
  kAbandoned,    // a bad target, a failed download or a wrong signature: staging deleted
  kHandedOver,   // everything staged and the updater started
};

class OnlineUpdate {
 public:
  // `main_window` gives the search window's handle, or null when there is none.
  OnlineUpdate(const UpdateSetup& setup, void* (*main_window)())
      : setup_(setup), main_window_(main_window) {}
  virtual ~OnlineUpdate() = default;

  // Downloads, checks and decrypts the notice file and publishes its lines under "ads"; true
  // when a list (possibly empty) was published.
  bool DownloadNotices();
  // Asks whether a newer version exists and runs RunUpdate when the answer is "ok". False only
  // when the answer could not be downloaded.
  bool CheckForUpdate();
  // Stages the changed files of the update list and hands over to the updater.
  UpdateOutcome RunUpdate();

  const std::string& StagingFolder() const { return staging_; }

 protected:
  // Tells the user, starts the updater hidden and ends the program: in the program this never
  // returns. Tests record the call instead.
  virtual void HandOver();

 private:
  std::string Scratch(const char* name) const { return setup_.program_folder + "\\" + name; }
  bool ReadList(std::vector<UpdateEntry>* entries);
  bool SelectChanged(const std::vector<UpdateEntry>& entries, std::vector<UpdateEntry>* changed,
                     std::vector<TargetPaths>* paths);
  bool StageFile(const UpdateEntry& entry, const TargetPaths& paths);
  void InstallNewUpdater();
  bool WriteRegistration(const std::vector<UpdateEntry>& changed,
                         const std::vector<TargetPaths>& paths);

  UpdateSetup setup_;
  void* (*main_window_)();  // the search window's handle, when there is one
  std::string staging_ = setup_.program_folder + "\\" + kStagingFolder;  // the staging folder
};

// The whole online step of the program: DownloadNotices, then CheckForUpdate. `main_window`
// gives the search window's handle (null when there is none) when the hand-over needs it.
void RunOnlineStep(void* (*main_window)());

}  // namespace sorvik
