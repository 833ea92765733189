#include "platform/find.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace sorvik {
namespace {

// One open enumeration, behind the handle that FindFirstEntry and FindFirstIn return.
struct Enumeration {
  HANDLE handle;        // FindFirstFileA's, or FindFirstFileW's when `wide`
  bool wide;            // listed through the wide calls: a native FindPath
  std::string pattern;  // the ANSI listing's pattern, for the wide names of its folders
  uint32_t ordinal;     // results handed out so far
  // The same pattern listed through the wide calls, in step with the ANSI listing, opened the
  // first time a folder needs its wide name.
  HANDLE wide_handle;
  uint32_t wide_ordinal;  // index of the result in `wide_data`
  WIN32_FIND_DATAW wide_data;
};

std::atomic<bool> g_ignore_short_names{false};  // IgnoreShortNames

std::wstring Widen(const std::string& text, UINT code_page) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8Of(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &out[0], length, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

// The ANSI form of a wide name, as the ANSI calls give it, into `out`; false when it does not
// fit. `lost` tells whether a character did not survive (none, or a best-fit stand-in).
bool AnsiNameOf(const wchar_t* wide, char (&out)[kFindNameSize], bool* lost) {
  BOOL used_default = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide, -1, out, kFindNameSize, nullptr, &used_default);
  if (length <= 0) return false;
  *lost = used_default != FALSE || Widen(out, CP_ACP) != std::wstring(wide);
  return true;
}

// A wide path as the wide calls take it: past MAX_PATH a drive path needs the "\\?\" prefix.
std::wstring WidePath(const std::string& utf8) {
  std::wstring wide = Widen(utf8, CP_UTF8);
  if (wide.size() >= MAX_PATH - 1 && wide.size() > 2 && wide[1] == L':') wide = L"\\\\?\\" + wide;
  return wide;
}

void CopyCommon(DWORD attributes, DWORD size_high, DWORD size_low, FILETIME write,
                FindRecord* record) {
  record->attributes = attributes;
  record->size = (static_cast<uint64_t>(size_high) << 32) | size_low;
  record->last_write = (static_cast<uint64_t>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
  record->reach_form = kReachByName;
  record->reach[0] = '\0';
}

bool SetNativeReach(const std::string& utf8, FindRecord* record) {
  if (utf8.empty() || utf8.size() >= kFindReachSize) return false;
  record->reach_form = kReachNative;
  std::memcpy(record->reach, utf8.c_str(), utf8.size() + 1);
  return true;
}

// The wide name of the ANSI listing's current result (number `ordinal`), read from a wide
// listing of the same pattern; false when it does not name the same entry (the folder changed
// in between) or cannot be read.
bool WideNameAt(Enumeration* enumeration, const char* ansi_name, std::string* utf8) {
  const uint32_t ordinal = enumeration->ordinal;
  if (enumeration->wide_handle != INVALID_HANDLE_VALUE && enumeration->wide_ordinal > ordinal) {
    FindClose(enumeration->wide_handle);
    enumeration->wide_handle = INVALID_HANDLE_VALUE;
  }
  if (enumeration->wide_handle == INVALID_HANDLE_VALUE) {
    enumeration->wide_handle =
        FindFirstFileW(Widen(enumeration->pattern, CP_ACP).c_str(), &enumeration->wide_data);
    enumeration->wide_ordinal = 0;
    if (enumeration->wide_handle == INVALID_HANDLE_VALUE) return false;
  }
  while (enumeration->wide_ordinal < ordinal) {
    if (!FindNextFileW(enumeration->wide_handle, &enumeration->wide_data)) {
      FindClose(enumeration->wide_handle);
      enumeration->wide_handle = INVALID_HANDLE_VALUE;
      return false;
    }
    enumeration->wide_ordinal += 1;
  }
  char name[kFindNameSize];
  bool lost = false;
  if (!AnsiNameOf(enumeration->wide_data.cFileName, name, &lost)) return false;
  if (std::strcmp(name, ansi_name) != 0) return false;
  *utf8 = Utf8Of(enumeration->wide_data.cFileName);
  return true;
}

// A result of the ANSI calls. A "?" in a name stands for a character the code page lost (it is
// never part of a real name): such a folder is reached by its short name or its wide name.
void CopyAnsi(Enumeration* enumeration, const WIN32_FIND_DATAA& data, FindRecord* record) {
  CopyCommon(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime,
             record);
  static_assert(sizeof data.cFileName == kFindNameSize, "cFileName is 260 bytes");
  std::memcpy(record->name, data.cFileName, kFindNameSize);
  record->name[kFindNameSize - 1] = '\0';
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
  if (std::strchr(record->name, '?') == nullptr) return;
  const char* short_name = data.cAlternateFileName;
  if (short_name[0] != '\0' && std::strchr(short_name, '?') == nullptr &&
      !g_ignore_short_names.load()) {
    record->reach_form = kReachProgram;
    std::memcpy(record->reach, short_name, std::strlen(short_name) + 1);
    return;
  }
  std::string utf8;
  record->reach_form = kReachNone;
  if (WideNameAt(enumeration, record->name, &utf8)) SetNativeReach(utf8, record);
}

// A result of the wide calls; false when its ANSI name does not fit a record.
bool CopyWide(const WIN32_FIND_DATAW& data, FindRecord* record) {
  bool lost = false;
  if (!AnsiNameOf(data.cFileName, record->name, &lost)) return false;
  CopyCommon(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime,
             record);
  if (lost && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      !SetNativeReach(Utf8Of(data.cFileName), record)) {
    record->reach_form = kReachNone;
  }
  return true;
}

Enumeration* NewEnumeration(HANDLE handle, bool wide, std::string pattern) {
  Enumeration* enumeration = new Enumeration();
  enumeration->handle = handle;
  enumeration->wide = wide;
  enumeration->pattern = std::move(pattern);
  enumeration->ordinal = 0;
  enumeration->wide_handle = INVALID_HANDLE_VALUE;
  enumeration->wide_ordinal = 0;
  return enumeration;
}

// Reads wide results until one fits a record.
bool NextWide(HANDLE handle, WIN32_FIND_DATAW* data, FindRecord* record) {
  while (FindNextFileW(handle, data)) {
    if (CopyWide(*data, record)) return true;
  }
  return false;
}

// The program form of a name in the system's own form (UTF-8 of the wide name).
std::string Utf8OfAnsi(const std::string& ansi) { return Utf8Of(Widen(ansi, CP_ACP).c_str()); }

}  // namespace

intptr_t FindFirstEntry(const std::string& pattern, FindRecord* record) {
  WIN32_FIND_DATAA data;
  std::memset(&data, 0, sizeof data);
  HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidFind;
  Enumeration* enumeration = NewEnumeration(handle, false, pattern);
  CopyAnsi(enumeration, data, record);
  return reinterpret_cast<intptr_t>(enumeration);
}

intptr_t FindFirstIn(const FindPath& folder, FindRecord* record) {
  if (!folder.native) return FindFirstEntry(folder.text + "\\*", record);
  WIN32_FIND_DATAW data;
  std::memset(&data, 0, sizeof data);
  HANDLE handle = FindFirstFileW(WidePath(folder.text + "\\*").c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidFind;
  if (!CopyWide(data, record) && !NextWide(handle, &data, record)) {
    FindClose(handle);
    return kInvalidFind;
  }
  return reinterpret_cast<intptr_t>(NewEnumeration(handle, true, std::string()));
}

bool FindNextEntry(intptr_t handle, FindRecord* record) {
  Enumeration* enumeration = reinterpret_cast<Enumeration*>(handle);
  if (enumeration->wide) {
    WIN32_FIND_DATAW data;
    return NextWide(enumeration->handle, &data, record);
  }
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(enumeration->handle, &data)) return false;
  enumeration->ordinal += 1;
  CopyAnsi(enumeration, data, record);
  return true;
}

void FindCloseEntry(intptr_t handle) {
  Enumeration* enumeration = reinterpret_cast<Enumeration*>(handle);
  FindClose(enumeration->handle);
  if (enumeration->wide_handle != INVALID_HANDLE_VALUE) FindClose(enumeration->wide_handle);
  delete enumeration;
}

bool JoinFindPath(const FindPath& folder, const FindRecord& record, FindPath* child) {
  const char* name = record.reach_form == kReachByName ? record.name : record.reach;
  switch (record.reach_form) {
    case kReachByName:
    case kReachProgram:
      child->native = folder.native;
      child->text = folder.text + "\\" + (folder.native ? Utf8OfAnsi(name) : std::string(name));
      return true;
    case kReachNative:
      child->native = true;
      child->text = (folder.native ? folder.text : Utf8OfAnsi(folder.text)) + "\\" + name;
      return true;
    default:
      return false;
  }
}

void IgnoreShortNames(bool ignore) { g_ignore_short_names.store(ignore); }

bool FolderListable(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (handle != INVALID_HANDLE_VALUE) {
    FindClose(handle);
    return true;
  }
  // An empty drive root lists nothing at all, not even "." and "..".
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool StatEntry(const std::string& path, FindRecord* record) {
  if (path.find_first_of("*?") != std::string::npos) return false;
  const size_t slash = path.find_last_of('\\');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // A name with "~" may be a short name, whose long form only a listing gives.
  if (name.empty() || name.size() >= kFindNameSize || name.find('~') != std::string::npos) {
    const intptr_t handle = FindFirstEntry(path, record);
    if (handle == kInvalidFind) return false;
    FindCloseEntry(handle);
    return true;
  }
  // Read without opening the folder: a listing holds its folder open, and under Wine a folder
  // held open cannot be deleted, so the live index's look at a path just removed would make
  // the user's deletion of its folder fail.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  std::memset(record, 0, sizeof *record);
  const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CopyCommon(data.dwFileAttributes, folder ? 0 : data.nFileSizeHigh, folder ? 0 : data.nFileSizeLow,
             data.ftLastWriteTime, record);
  std::memcpy(record->name, name.data(), name.size());
  record->reach_form = kReachByName;
  return true;
}

bool ExactNativePath(const std::string& path, std::string* native) {
  // "?" is never part of a real name: it stands for a character the code page lost.
  *native = path;
  return path.find('?') == std::string::npos;
}

}  // namespace sorvik
