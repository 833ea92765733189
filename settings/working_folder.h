// Where the program keeps its working files (index, settings, favourites, scratch files): its own
// folder when it may write there, as the portable copy does; otherwise, as for a standard user
// of a copy installed into a folder only administrators may change, a folder of the user's own.
#pragma once

#include <string>

namespace sorvik {

constexpr char kPerUserFolderName[] = "Sorvik";  // below the user's local application data

// Whether a file can be created in `folder` (a probe file is made and removed at once).
bool CanWriteIn(const std::string& folder);
// The user's "%LOCALAPPDATA%\Sorvik\", created when missing; empty when there is none.
std::string PerUserWorkingFolder();
// `program_folder` (ending with a backslash) when it can be written, else the per-user folder
// when that can be, else `program_folder`. The result ends with a backslash.
std::string ChooseWorkingFolder(const std::string& program_folder);

}  // namespace sorvik
