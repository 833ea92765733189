// POSIX side of the seam: turns a program path (GBK, backslashes, drive letters) into a UTF-8
// POSIX path through the drive map. Internal to platform/posix.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

// "C:\x\y" -> <dir of C>/x/y; ".\a\b" -> ./a/b; a path starting with "/" is taken as POSIX
// already. Returns an empty string for a drive letter that is not mapped.
std::string NativePath(const std::string& path);

// The directory mapped to `letter`, empty when none.
std::string MappedDriveDir(char letter);

// Maps `letter` to the directory `dir` with a drive type (GetDriveTypeA values); MapDrive of
// fs.h maps a fixed drive (3). False for a letter outside A..Z.
bool MapDriveOfType(char letter, const std::string& dir, uint32_t type);
bool UnmapDrive(char letter);
// Bit i set for each mapped letter 'A' + i.
uint32_t MappedDriveMask();
// The type of a mapped letter; 1 (no root directory) when the letter is not mapped.
uint32_t MappedDriveType(char letter);

}  // namespace sorvik
