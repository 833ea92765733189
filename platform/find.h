// Directory enumeration: the find-first/find-next service of the platform seam. Win32:
// FindFirstFileA/FindNextFileA (platform/win32/find.cpp). POSIX: opendir/readdir with lstat
// (platform/posix/find.cpp), names converted from UTF-8 to GBK.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

// Attribute bits of a find record, with the values Windows uses.
constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeTemporary = 0x100;
constexpr uint32_t kAttributeReparsePoint = 0x400;

constexpr uint32_t kFindNameSize = 260;  // cFileName of WIN32_FIND_DATAA, terminator included

// The part of WIN32_FIND_DATAA that the program uses.
struct FindRecord {
  uint32_t attributes;       // dwFileAttributes
  uint64_t size;             // nFileSizeHigh * 2^32 + nFileSizeLow
  uint64_t last_write;       // ftLastWriteTime: 100 ns ticks since 1601-01-01 00:00 UTC
  char name[kFindNameSize];  // cFileName: GBK, zero-terminated
};

constexpr intptr_t kInvalidFind = -1;

// Starts an enumeration of `pattern` (program path form: "C:\Windows\*"); the last component
// may hold the wildcards "*" and "?", matched without regard to ASCII case. Fills `record` with
// the first match and returns a handle for FindNextEntry, or kInvalidFind when the folder
// cannot be listed or nothing matches. "." and ".." are listed in every folder except a drive
// root, as Windows does.
// POSIX: attributes are kAttributeDirectory for folders, kAttributeArchive for other files,
// kAttributeHidden for names that start with "." (but not "." and ".."), and
// kAttributeReparsePoint for symbolic links (with kAttributeDirectory when the link points to a
// folder; a link's size is 0). Names that GBK cannot hold get "?" for each such character
// (and for each byte that is not UTF-8), control characters become "?";
// names longer than 259 GBK bytes and entries that vanish while listed are left out.
intptr_t FindFirstEntry(const std::string& pattern, FindRecord* record);
// Fills `record` with the next match; false at the end or on failure.
bool FindNextEntry(intptr_t handle, FindRecord* record);
// Ends an enumeration. REQUIRES: `handle` came from FindFirstEntry and is not closed yet.
void FindCloseEntry(intptr_t handle);

// The record of the one entry at `path` (a full path without wildcards), as an enumeration of
// its folder would give it, read without listing the folder. False when there is none, and for
// a path holding "*" or "?".
bool StatEntry(const std::string& path, FindRecord* record);

}  // namespace sorvik
