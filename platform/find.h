// Directory enumeration: the find-first/find-next service of the platform seam. Win32:
// FindFirstFileA/FindNextFileA (platform/win32/find.cpp), and FindFirstFileW/FindNextFileW below
// a folder that only its wide name reaches. POSIX: opendir/readdir with lstat
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
// Room for a name in the system's own form: 255 UTF-16 units as UTF-8, or 255 bytes on POSIX.
constexpr uint32_t kFindReachSize = 768;

// How a found folder is listed (FindRecord::reach_form).
enum FindReach : uint8_t {
  kReachByName = 0,  // its `name` reaches it
  kReachProgram,     // `reach` holds another name in the program's form (Win32: the 8.3 name)
  kReachNative,      // `reach` holds its name in the system's own form (see FindPath)
  kReachNone,        // its name lost characters and nothing else was found to reach it
};

// The part of WIN32_FIND_DATAA that the program uses.
struct FindRecord {
  uint32_t attributes;       // dwFileAttributes
  uint64_t size;             // nFileSizeHigh * 2^32 + nFileSizeLow
  uint64_t last_write;       // ftLastWriteTime: 100 ns ticks since 1601-01-01 00:00 UTC
  char name[kFindNameSize];  // cFileName: GBK, zero-terminated
  // For a folder whose `name` lost characters (the code page cannot hold them, bytes that are
  // no UTF-8, control characters): the way to list it, as JoinFindPath uses it. `name` stays
  // what the code page shows; other entries and folders whose name is exact keep kReachByName.
  uint8_t reach_form;
  char reach[kFindReachSize];  // zero-terminated; empty unless reach_form needs it
};

// Where a folder is listed from: a program path (GBK, drive letters, the form recorded in the
// index) or, below a folder whose recorded name lost characters, a path in the system's own
// form: Win32 UTF-8 of the wide path, listed through the wide calls; POSIX the bytes of the
// file system's path.
struct FindPath {
  std::string text;     // the folder, without a trailing separator
  bool native = false;  // `text` is in the system's own form
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
// (and for each byte that is not UTF-8), control characters become "?"; a folder among them
// is reached through its native name (kReachNative). Names longer than 259 GBK bytes and
// entries that vanish while listed are left out.
// Win32: a folder whose ANSI name holds "?" (a character the code page lost; "?" is never part
// of a real name) is reached through its short 8.3 name when the volume has one, else through
// its wide name, found by listing the same pattern with the wide calls.
intptr_t FindFirstEntry(const std::string& pattern, FindRecord* record);
// Fills `record` with the next match; false at the end or on failure.
bool FindNextEntry(intptr_t handle, FindRecord* record);
// Ends an enumeration. REQUIRES: `handle` came from FindFirstEntry and is not closed yet.
void FindCloseEntry(intptr_t handle);

// Lists everything in `folder`, as FindFirstEntry does for the pattern folder + "\*".
intptr_t FindFirstIn(const FindPath& folder, FindRecord* record);

// The find path of the folder `record`, found by listing `folder`: `folder` joined with its name,
// or with `reach` when its name lost characters. False when nothing reaches it (kReachNone).
bool JoinFindPath(const FindPath& folder, const FindRecord& record, FindPath* child);

// For tests: Win32 lists as on a volume that keeps no short 8.3 names (Windows makes none on
// its newer data volumes, Wine always has them), so that a folder whose ANSI name lost
// characters is reached through its wide name. POSIX: nothing changes.
void IgnoreShortNames(bool ignore);

// Whether the folder `folder` (program path form, no trailing backslash: "D:" for a drive
// root) can be listed: it exists and the system lets this process read it. An empty folder can.
bool FolderListable(const std::string& folder);

// The record of the one entry at `path` (a full path without wildcards), as an enumeration of
// its folder would give it, read without listing the folder (Win32: nor holding it open, which
// under Wine would block its deletion; only a last name holding "~", which may be a short
// name, is looked up by a listing). The name is spelled as `path` spells it.
// False when there is none, and for a path holding "*" or "?".
bool StatEntry(const std::string& path, FindRecord* record);

// The system's own path of the program path `path` (a full path with a drive letter), for
// programs that act on it. POSIX: the mapped drive folder followed by the names as the file
// system holds them, "/" separators; a name that lost characters in the program's form (it holds
// "?") is taken from its folder's listing, where exactly one entry must read as it. Win32:
// `path` itself. False, with `native` as close as it gets, when the exact bytes of a name are
// not known (Win32: `path` holds "?"; POSIX: no entry or several entries read as that name, or
// the drive is not mapped).
bool ExactNativePath(const std::string& path, std::string* native);

}  // namespace sorvik
