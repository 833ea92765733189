// Files and folders by path. Paths are in the program's own form: GBK, backslashes, drive
// letters ("C:\Windows") or relative to the current folder (".\NIndex"). On POSIX the drive
// letters come from the drive map (MapDrive) and the names are converted to UTF-8 at this seam.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

bool PathExists(const std::string& path);  // a file or a folder
bool IsFolder(const std::string& path);
// The size of the file at `path` without opening it (so a file another handle holds with a
// narrow sharing mode can be measured). False when it is missing or a folder.
bool FileSizeOf(const std::string& path, uint64_t* size);
bool CreateFolder(const std::string& path);  // one level; true when it exists afterwards
bool RenamePath(const std::string& from, const std::string& to);  // fails when `to` exists
bool RemoveFile(const std::string& path);
// Moves the file `from` onto `to`, replacing `to` when it exists, in one step: afterwards `to`
// holds either its old contents or all of `from`, never a mix. Both must be on one volume.
// On Win32 a read-only `to` is never replaced.
bool ReplacePath(const std::string& from, const std::string& to);
// Deletes a folder with everything in it, silently and without undo. Returns true on success;
// false when the path is missing, too long for the operation's 1000-byte buffer, or not deleted.
bool DeleteFolderTree(const std::string& path);
// The folder of the running executable, ending with a backslash.
std::string ExecutableFolder();
bool SetCurrentFolder(const std::string& path);
void SleepMs(uint32_t ms);
// The id of this process (getpid, GetCurrentProcessId).
uint32_t CurrentProcessId();

// POSIX only: makes drive `letter` stand for the directory `dir` (a POSIX path). Mapped drives
// are fixed drives. Returns false on Win32, where the system's own drives are used.
bool MapDrive(char letter, const std::string& dir);
void ClearDriveMap();

}  // namespace sorvik
