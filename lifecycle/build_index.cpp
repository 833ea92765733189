#include "lifecycle/build_index.h"

#include <cstdio>
#include <memory>

#include "index/folder_exclusion.h"
#include "index/record_store.h"
#include "index/snapshot_walker.h"
#include "platform/drives.h"
#include "platform/file_faults.h"
#include "platform/find.h"
#include "platform/progress.h"
#include "query/sort_orders.h"
#include "settings/config_store.h"

namespace sorvik {

namespace {

// Whether a build takes a drive of type `type`.
bool Accepted(uint32_t type, bool removable_allowed) {
  return type == kDriveFixed || (type == kDriveRemovable && removable_allowed);
}

// Whether drive `name` ("D:") is there: in the drive mask, with a root.
bool Exists(const std::string& name, uint32_t mask) {
  return (mask & (1u << (name[0] - 'A'))) != 0 && DriveType(name + "\\") != kDriveNoRootDir;
}

}  // namespace

std::string DrivesToWalk(ConfigStore* settings) {
  const std::string selection = settings->GetString(kConfigIndexPosition, "") + "|";
  const bool removable_allowed = settings->GetBool(kConfigIndexRemovable, true);
  const uint32_t mask = LogicalDriveMask();
  std::string letters;
  for (char letter = 'Z'; letter >= 'B'; --letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    const std::string name = std::string(1, letter) + ":";
    if (!Accepted(DriveType(name + "\\"), removable_allowed)) continue;
    if (selection == "|" || selection.find(name) != std::string::npos) letters += letter;
  }
  return letters;
}

std::vector<std::string> ExcludedFolders(ConfigStore* settings) {
  return SplitExcludeList(settings->GetString(kConfigIndexExclude, kDefaultExcludeList));
}

std::string DriveProblem(ConfigStore* settings) {
  const std::string selection = settings->GetString(kConfigIndexPosition, "");
  const uint32_t mask = LogicalDriveMask();
  // A chosen drive that is gone: its entries would leave the index with it.
  for (char letter = 'Z'; letter >= 'B'; --letter) {
    const std::string name = std::string(1, letter) + ":";
    if (selection.find(name) != std::string::npos && !Exists(name, mask)) {
      return "drive " + name + " is chosen for the index but is not there";
    }
  }
  const std::string letters = DrivesToWalk(settings);
  if (letters.empty()) return "there is no drive to index";
  for (char letter : letters) {
    const std::string name = std::string(1, letter) + ":";
    // Without a choice, a removable drive without a medium (an empty card reader) is skipped
    // by the walk as an empty drive; a chosen drive or a fixed one must be readable.
    const bool chosen = !selection.empty() || DriveType(name + "\\") == kDriveFixed;
    if (chosen && !FolderListable(name)) return "the root of drive " + name + " cannot be listed";
  }
  return std::string();
}

namespace {

// The walk of the chosen drives into the build folder's snapshot files.
Status WalkDrives(ConfigStore* settings, const BuildOptions& options, const std::string& folder) {
  const std::string letters = DrivesToWalk(settings);
  Status status;
  std::unique_ptr<SnapshotWalker> walker = SnapshotWalker::Open(folder, options.settle_ms, &status);
  if (!walker) return status;
  walker->SetExclusion(
      FolderExclusion(options.exclude_given ? options.exclude : ExcludedFolders(settings)));
  for (char letter : letters) walker->WalkRoot(std::string(1, letter) + ":");
  return walker->Finish();
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

// The orders that sort a whole answer (index.ord), written after the name index has let go of
// its memory.
Status WriteRecordOrders(const std::string& folder) {
  RecordStore store;
  if (!store.Open(folder + "\\" + snapshot::kRecordFile)) {
    return Status::IOError("cannot open " + folder + "\\" + snapshot::kRecordFile);
  }
  Status status = WriteSortOrders(&store, folder + "\\" + kSortOrderFile);
  store.Close();
  return status;
}

}  // namespace

Status BuildIndex(ConfigStore* settings, const BuildOptions& options) {
  const std::string drive_problem = DriveProblem(settings);
  if (!drive_problem.empty()) return Status::NotFound(drive_problem);
  const std::string folder = options.work + kBuildFolder;
  // The walker and the builder write through many files and check few of their writes; a
  // write that failed anywhere (a full disk, an I/O error) makes a build that lost entries.
  const uint32_t failed_writes = FailedFileWrites();
  Status status = WalkDrives(settings, options, folder);
  if (!status.ok()) return status;
  uintptr_t window = FindProgressWindow();
  if (window != 0) SendProgressText(window, kBuildingText);
  const bool named = IndexRecordNames(options, folder);
  const Status ordered = named ? WriteRecordOrders(folder) : Status::Ok();
  status = FailedFileWritesSince(failed_writes);
  if (!status.ok()) return status;
  if (!named) return Status::IOError("the name index could not be built in " + folder);
  return ordered;
}

}  // namespace sorvik
