// The whole build run: walk the chosen drives into ".\ScanTemp" and build its name index there.
// It takes no lock and never touches ".\NIndex".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/index_builder.h"
#include "platform/status.h"

namespace sorvik {

class ConfigStore;

constexpr char kBuildFolder[] = "ScanTemp";  // a build in progress, beside the live index
constexpr char kBuildingText[] = "\r\n　正在建立索引,请耐心等待...";

struct BuildOptions {
  std::string work = ".\\";                   // folder that holds ScanTemp; ends with a separator
  uint32_t chunk_names = kDefaultChunkNames;  // names per chunk of the name index
  uint32_t settle_ms = 1000;                  // pause after the old build folder is deleted
  bool diagnostics = false;  // the merge's line per key and position to standard output
  // The folders left out, in place of the settings' "index_exclude" when `exclude_given`.
  bool exclude_given = false;
  std::vector<std::string> exclude;
};

// The drive letters a build walks, Z down to B: fixed drives, removable ones unless
// "index_removable" is present and not exactly "true", and of those only the ones named in
// "index_position" (all when it is empty or missing).
std::string DrivesToWalk(ConfigStore* settings);

// The patterns of the folders a build leaves out: "index_exclude" split at "|",
// kDefaultExcludeList (index/folder_exclusion.h) when the key is missing, none when it is empty.
std::vector<std::string> ExcludedFolders(ConfigStore* settings);

// Why a build with these settings would lose entries it must not lose, empty when it may run:
// a drive named in "index_position" that is not there (a disk unplugged, a drive folder moved
// away), a drive to walk whose root cannot be listed, or no drive to walk at all. Such a build
// would index nothing of the drive, and its swap would empty the index of it without a word.
std::string DriveProblem(ConfigStore* settings);

// Walks the drives chosen by the settings into <work>ScanTemp, then builds index.mtr and
// index.dat there. Fails when DriveProblem finds a drive missing (nothing is walked), a file of
// the build folder could not be made, the name index could not be built, or any write of the
// build failed (platform/file_faults.h), saying which file and why; the folder must then not
// be used, however usable it looks.
Status BuildIndex(ConfigStore* settings, const BuildOptions& options);

}  // namespace sorvik
