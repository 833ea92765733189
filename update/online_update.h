// The online step at the start of the background thread: the notice download, the version
// check and the staged update handed to the outside updater. Every failure leaves no trace: the
// scratch files are deleted and an abandoned staging folder is removed. The notice file and the
// update list are used only with a valid publisher's signature, and a list only when the version
// it installs is newer than the program's own. An update that was handed over and did not take
// is remembered, so that the same list is never staged again: no stage-exit-restart loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "update/notice_list.h"
#include "update/signed_file.h"
#include "update/update_formats.h"
#include "update/url_download.h"

namespace sorvik {

constexpr char kVersionScratch[] = "00-1B-24-32-DC-B3.tmp";  // version answer, then update list
constexpr char kNoticeScratch[] = "00-1B-24-32-DC-B4.tmp";   // notice file as downloaded
constexpr char kPlainScratch[] = "00-1B-24-32-DC-B5.tmp";    // notice file decrypted
constexpr char kStagingFolder[] = "update_Quillet";
constexpr char kUpdaterName[] = "LiveUpdate.exe";
constexpr char kRegistrationName[] = "Comfiles.reg";
constexpr char kAttemptName[] = "update_attempt.txt";  // the last list handed over, and its fate
constexpr uint64_t kMaxUpdateFileBytes = 64ull * 1024 * 1024;  // one downloaded program file
constexpr uint32_t kExitCommand = 32772;                       // the search window's exit command
constexpr char kUpdateMessage[] =
    "Sorvik已经进行升级,为了您能使用最新的功能程序将关闭后再帮您启动！";
constexpr char kUpdateCaption[] = "Sorvik自动更新 - 提示";
constexpr char kUpdateFailedMessage[] =
    "Sorvik未能完成升级，将继续使用当前版本。新版本发布后会再次尝试升级。";
// How long the background thread waits for the online step before its index work; the step
// itself goes on meanwhile, bounded by its downloads' deadlines.
constexpr uint32_t kOnlineStepWaitMs = kDownloadIdleMs;

// Where the step runs.
struct UpdateSetup {
  std::string server;                    // "http://host:port", no trailing "/"
  std::string program_folder;            // holds the scratch files; no trailing backslash
  std::string system_folder;             // no trailing backslash
  std::string program_path;              // the running program, line 1 of the registration file
  std::string public_key;                // the publisher's key (hex); empty: nothing is trusted
  std::string own_version;               // a list must install a newer version than this
  uint32_t idle_ms = kDownloadIdleMs;    // each download: longest wait for the next byte
  uint32_t total_ms = kDownloadTotalMs;  // each download: longest in all
};

// The setup of the running program: its folder and path, the system folder, UpdateServer(),
// the key TrustedPublicKey() gives for it and the program's version.
UpdateSetup SystemUpdateSetup();

// What the online step reaches of the running program; either part may be empty.
struct OnlineStepHooks {
  std::function<HWND()> main_window;  // the search window, or null while there is none
  // Receives each notice list the step publishes, on the step's thread.
  std::function<void(SharedNotices)> publish_notices;
};

enum class UpdateOutcome {
  kNoList,        // the list or its signature could not be downloaded, checked or read, or is empty
  kNotNewer,      // a signed list of a version not newer than the program's own
  kFailedBefore,  // this very list was handed over before and did not take: not tried again
  kNothingToDo,   // every listed file is already current
  kAbandoned,     // a bad target, a failed download or a wrong signature: staging deleted
  kNoUpdater,     // staged, but the updater is missing or would not start: staging deleted
  kHandedOver,    // everything staged and the updater started
};

class OnlineUpdate {
 public:
  OnlineUpdate(const UpdateSetup& setup, OnlineStepHooks hooks)
      : setup_(setup), hooks_(std::move(hooks)) {}
  virtual ~OnlineUpdate() = default;

  // Downloads, checks and decrypts the notice file and publishes its lines through the hooks;
  // true when a list (possibly empty) was published.
  bool DownloadNotices();
  // Asks whether a newer version exists and runs RunUpdate when the answer is "ok". False only
  // when the answer could not be downloaded.
  bool CheckForUpdate();
  // Stages the changed files of the update list and hands over to the updater.
  UpdateOutcome RunUpdate();

  const std::string& StagingFolder() const { return staging_; }

 protected:
  // Tells the user, starts the updater hidden and ends the program: in the program this does
  // not return once the updater runs. False when the updater could not be started. Tests
  // record the call instead.
  virtual bool HandOver();
  // Shows `text` to the user in front of everything, owned by the search window when there is
  // one, and waits for the answer. Tests record the text instead.
  virtual void Tell(const char* text);

 private:
  std::string Scratch(const char* name) const { return setup_.program_folder + "\\" + name; }
  std::string AttemptPath() const { return setup_.program_folder + "\\" + kAttemptName; }
  DownloadLimits Limits(uint64_t max_bytes) const;
  bool DownloadText(const std::string& url, size_t max_bytes, const std::string& scratch,
                    std::string* text);
  bool DownloadSigned(SignedKind kind, const std::string& path, size_t max_bytes,
                      const std::string& scratch, std::string* body, std::string* signature,
                      std::string* version);
  bool ReadList(std::vector<UpdateEntry>* entries, std::string* signature, UpdateOutcome* refused);
  bool FailedBefore(const std::string& signature);
  void Remember(const std::string& signature, bool told);
  UpdateOutcome GiveUp(const std::string& signature);
  bool SelectChanged(const std::vector<UpdateEntry>& entries, std::vector<UpdateEntry>* changed,
                     std::vector<TargetPaths>* paths);
  bool StageFile(const UpdateEntry& entry, const TargetPaths& paths);
  void InstallNewUpdater();
  bool WriteRegistration(const std::vector<UpdateEntry>& changed,
                         const std::vector<TargetPaths>& paths);

  UpdateSetup setup_;
  HWND MainWindow() const { return hooks_.main_window ? hooks_.main_window() : nullptr; }

  OnlineStepHooks hooks_;  // the search window and where the notices go
  std::string staging_ = setup_.program_folder + "\\" + kStagingFolder;  // the staging folder
};

// Shows `text` with `caption` (OK button, `icon`) owned by `owner` (or by nobody), top-most and
// brought to the front, so that it is never hidden behind the window it disables.
void ShowMessageInFront(HWND owner, const char* text, const char* caption, unsigned icon);

// The online step for `setup` on a thread of its own, waited for at most `wait_ms`; true when
// it ended within that time (otherwise it goes on beside the caller).
bool RunOnlineStepWithin(const UpdateSetup& setup, OnlineStepHooks hooks, uint32_t wait_ms);

// The whole online step of the program: DownloadNotices, then CheckForUpdate, on a thread of
// its own; the caller waits for it at most kOnlineStepWaitMs.
void RunOnlineStep(OnlineStepHooks hooks);

}  // namespace sorvik
