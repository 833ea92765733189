// The outside updater's work: put every staged file in place (the "app" tree into the program
// folder, the "sys" tree into the system folder) so that either all files are new or, when one
// move fails, all are as before; then remove the staging folder.
#pragma once

#include <string>
#include <vector>

namespace sorvik {

// Shared by the program and LiveUpdate.exe.
constexpr char kInstanceMutexName[] = "marrowind";  // held by the running program
// Held by the outside updater while it replaces the program's files.
constexpr char kUpdaterMutexName[] = "文件搜索升级交接";
constexpr char kProgramName[] = "Sorvik.exe";

// One staged file and where it goes.
struct StagedMove {
  std::string from;  // below the staging folder
  std::string to;    // the final path
};

// The staged files below `staging` ("app" and "sys" trees) paired with their final paths below
// `program` and `system` (no trailing backslashes), in a stable order.
std::vector<StagedMove> ListStagedMoves(const std::string& staging, const std::string& program,
                                        const std::string& system);

// Moves every file into place, keeping each replaced file beside it until all moves succeeded;
// when one fails, the files already moved are taken back and the old ones restored. True when
// every file is in place. The staging folder is removed in both cases.
bool ApplyStagedUpdate(const std::string& staging, const std::string& program,
                       const std::string& system);

// The paths to register and the program to start again, read from the registration file:
// line 1 the program, then one file per line. False when the file is missing.
bool ReadRegistration(const std::string& path, std::string* program,
                      std::vector<std::string>* files);

}  // namespace sorvik
