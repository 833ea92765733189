#include "lifecycle/build_index.h"

#include <cstdio>
#include <memory>

#include "index/record_store.h"
#include "index/snapshot_walker.h"
#include "platform/drives.h"
#include "platform/file_faults.h"
#include "platform/progress.h"
#include "settings/config_store.h"

namespace sorvik {

std::string DrivesToWalk(ConfigStore* settings) {
  const std::string selection = settings->GetString(kConfigIndexPosition, "") + "|";
  const bool removable_allowed = settings->GetBool(kConfigIndexRemovable, true);
  const uint32_t mask = LogicalDriveMask();
  std::string letters;
  for (char letter = 'Z'; letter >= 'B'; --letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    const std::string name = std::string(1, letter) + ":";
    const uint32_t type = DriveType(name + "\\");
    const bool accepted = type == kDriveFixed || (type == kDriveRemovable && removable_allowed);
    if (!accepted) continue;
    if (selection == "|" || selection.find(name) != std::string::npos) letters += letter;
  }
  return letters;
}

namespace {

// The walk of the chosen drives into the build folder's snapshot files.
bool WalkDrives(ConfigStore* settings, const BuildOptions& options, const std::string& folder) {
  const std::string letters = DrivesToWalk(settings);
  SnapshotWalker walker(folder, options.settle_ms);
  if (!walker.IsReady()) return false;
  for (char letter : letters) walker.WalkRoot(std::string(1, letter) + ":");
  return true;  // the walker finishes its files when it goes out of scope
}

bool IndexRecordNames(const BuildOptions& options, const std::string& folder) {
  RecordStore store;
  if (!store.Open(folder + "\\" + snapshot::kRecordFile)) return false;
  IndexBuilder builder;
  builder.SetWorkFolder(folder + "\\");
  builder.SetRecordSource(&store);
  builder.SetChunkNames(options.chunk_names);
  // Millions of lines per merge: written only when asked for.
  builder.SetLog(options.diagnostics ? BuildLog(StdoutLog) : BuildLog());
  bool built = builder.Build();
  store.Close();
  return built;
}

}  // namespace

bool BuildIndex(ConfigStore* settings, const BuildOptions& options) {
  const std::string folder = options.work + kBuildFolder;
  // The walker and the builder write through many files and check few of their writes; a
  // write that failed anywhere (a full disk, an I/O error) makes a build that lost entries.
  const uint32_t failed_writes = FailedFileWrites();
  if (!WalkDrives(settings, options, folder)) return false;
  uintptr_t window = FindProgressWindow();
  if (window != 0) SendProgressText(window, kBuildingText);
  const bool built = IndexRecordNames(options, folder);
  return built && FailedFileWrites() == failed_writes;
}

}  // namespace sorvik
