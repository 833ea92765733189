// POSIX side of the seam: turns a program path (GBK, backslashes, drive letters) into a UTF-8
// POSIX path through the drive map. Internal to platform/posix.
#pragma once

#include <string>

namespace sorvik {

// "C:\x\y" -> <dir of C>/x/y; ".\a\b" -> ./a/b; a path starting with "/" is taken as POSIX
// already. Returns an empty string for a drive letter that is not mapped.
std::string NativePath(const std::string& path);

// The directory mapped to `letter`, empty when none.
std::string MappedDriveDir(char letter);

}  // namespace sorvik
