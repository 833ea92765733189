// Drives: the logical-drive mask and the type of a drive. Win32: GetLogicalDrives and
// GetDriveTypeA (platform/win32/drives.cpp). POSIX: the drive map of platform/posix/native_path
// (platform/posix/drives.cpp), where a drive is a letter mapped to a directory; MapDrive makes
// a fixed drive, MapTestDrive any type.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

// Drive types, with the values GetDriveTypeA returns.
constexpr uint32_t kDriveUnknown = 0;
constexpr uint32_t kDriveNoRootDir = 1;  // no such drive
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveRemote = 4;
constexpr uint32_t kDriveCdrom = 5;
constexpr uint32_t kDriveRamdisk = 6;

// Bit i set when drive 'A' + i exists (GetLogicalDrives).
uint32_t LogicalDriveMask();

// The type of the drive whose root is `root`, written with a trailing backslash ("D:\").
// kDriveNoRootDir when there is no such drive.
uint32_t DriveType(const std::string& root);

// Test support: makes drive `letter` (D..Y) stand for the existing folder `folder` with the
// given type, for this process on POSIX and for the whole Wine prefix under Wine (through the
// Wine mount manager, as winecfg does; the drive then is a symbolic link in the prefix's
// dosdevices and its type is in HKLM\Software\Wine\Drives). On Windows itself it does nothing
// and returns false. Test executables that may run at the same time must use different letters.
// `folder` is a program path on Win32 and a POSIX (or program) path on POSIX.
bool MapTestDrive(char letter, const std::string& folder, uint32_t type);
// Removes a drive made by MapTestDrive. True when the letter is no drive afterwards.
bool UnmapTestDrive(char letter);

}  // namespace sorvik
