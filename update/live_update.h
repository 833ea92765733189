// The outside updater's work: put every staged file in place (the "app" tree into the program
// folder, the "sys" tree into the system folder) so that either all files are new or all are as
// before, even when the updater is killed at any moment: a journal (update/update_journal.h)
// written before anything is replaced tells the next start of the program or of the updater
// what to finish or to take back.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sorvik {

// Shared by the program and LiveUpdate.exe.
constexpr char kInstanceMutexName[] = "marrowind";  // owned by the running program
// Held by the outside updater while it replaces the program's files, and by a starting program
// while it repairs an unfinished update.
constexpr char kUpdaterMutexName[] = "文件搜索升级交接";
constexpr char kProgramName[] = "Sorvik.exe";
// Beside a file being replaced: the old file until the update is committed, the new one until
// it is renamed into place, and a copy of the old one being made (where no hard link can be).
constexpr char kOldSuffix[] = ".sorvik-old";
constexpr char kNewSuffix[] = ".sorvik-new";
constexpr char kCopySuffix[] = ".sorvik-tmp";

// One staged file and where it goes.
struct StagedMove {
  std::string from;  // below the staging folder
  std::string to;    // the final path
};

// Called before each change the updater makes on disk (tests and fault injection end the
// updater there).
using UpdateStepHook = std::function<void()>;

// The staged files below `staging` ("app" and "sys" trees) paired with their final paths below
// `program` and `system` (no trailing backslashes), in a stable order.
std::vector<StagedMove> ListStagedMoves(const std::string& staging, const std::string& program,
                                        const std::string& system);

// Puts every staged file in place: each new file is first moved beside its target, the old one
// kept as a hard link (or a copy), and then renamed over the target in one step, so the target
// is always either whole file. The journal in `program` records the update before the first
// change and its commit after the last; when one step fails, everything is taken back. True
// when every file is in place. The staging folder is removed in both cases.
bool ApplyStagedUpdate(const std::string& staging, const std::string& program,
                       const std::string& system, const UpdateStepHook& hook = {});

enum class UpdateRepair {
  kNothing,     // no unfinished update
  kRolledBack,  // killed before its commit: the old files are back
  kFinished,    // killed after its commit: the new files stay, the old ones are removed
};

// Finishes or takes back an update that the journal in `program` shows unfinished, removes the
// staging folder and the registration file then, and drops old copies a finished update left
// (restoring "Sorvik.exe" from "Sorvik.exe.sorvik-old" when only that is there). The caller
// holds the hand-off mutex.
UpdateRepair RepairUnfinishedUpdate(const std::string& program, const std::string& system,
                                    const UpdateStepHook& hook = {});

// The same at the start of the program: only when no updater holds the hand-off mutex (it is
// held meanwhile, so no updater starts its work during the repair).
UpdateRepair RepairUnfinishedUpdateAtStart(const std::string& program);

// The system folder without a trailing backslash.
std::string SystemFolderPath();

// The paths to register and the program to start again, read from the registration file:
// line 1 the program, then one file per line. False when the file is missing.
bool ReadRegistration(const std::string& path, std::string* program,
                      std::vector<std::string>* files);

}  // namespace sorvik
