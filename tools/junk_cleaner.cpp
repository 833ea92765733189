#include "tools/junk_cleaner.h"

#include <shlobj.h>

#include <cstring>

namespace sorvik {
namespace {

constexpr size_t kFinalPathBuffer = 1024;  // final paths may pass the ANSI limit
constexpr char kLongPrefix[] = "\\\\?\\";

void DropTrailingBackslashes(std::string* path) {
  while (!path->empty() && path->back() == '\\') path->pop_back();
}

// `path` made absolute, with "." and ".." resolved and short names made long where the entry
// exists, without trailing backslashes; empty when the system cannot make it absolute.
std::string FullLongPath(const std::string& path) {
  char full[MAX_PATH] = {0};
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return "";
  char long_form[MAX_PATH] = {0};
  length = GetLongPathNameA(full, long_form, MAX_PATH);
  std::string result = length > 0 && length < MAX_PATH ? long_form : full;
  DropTrailingBackslashes(&result);
  return result;
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
}

// `folder` is `kept` or holds it.
bool IsOrHolds(const std::string& folder, const std::string& kept) {
  if (kept.size() < folder.size()) return false;
  if (kept.size() > folder.size() && kept[folder.size()] != '\\') return false;
  return SameText(kept.substr(0, folder.size()), folder);
}

// A full path without trailing backslashes that names a drive ("C:") or a share
// ("\\server\share") rather than a folder on it; device and long-path forms count as roots too.
bool IsRootOrDevice(const std::string& full) {
  if (full.size() <= 2) return true;
  if (full.compare(0, 2, "\\\\") != 0) return false;
  if (full[2] == '?' || full[2] == '.') return true;
  size_t server_end = full.find('\\', 2);
  if (server_end == std::string::npos) return true;
  return full.find('\\', server_end + 1) == std::string::npos;
}

void AddFolder(std::vector<std::string>* folders, const char* path) {
  if (path != nullptr && path[0] != '\0') folders->push_back(path);
}

void AddEnvironmentFolder(std::vector<std::string>* folders, const char* name) {
  char value[MAX_PATH] = {0};
  DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  if (length > 0 && length < MAX_PATH) AddFolder(folders, value);
}

}  // namespace

JunkCleaner::JunkCleaner(std::vector<std::string> kept)
    : final_path_(reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")))) {
  for (const std::string& folder : kept) {
    std::string full = FullLongPath(folder);
    if (!full.empty()) kept_.push_back(full);
  }
}

std::vector<std::string> JunkCleaner::SystemKeptFolders() {
  std::vector<std::string> folders;
  AddEnvironmentFolder(&folders, "USERPROFILE");
  AddEnvironmentFolder(&folders, "SystemRoot");
  AddEnvironmentFolder(&folders, "windir");
  char path[MAX_PATH] = {0};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)))
    AddFolder(&folders, path);
  char windows[MAX_PATH] = {0};
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) AddFolder(&folders, windows);
  char system[MAX_PATH] = {0};
  length = GetSystemDirectoryA(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH) AddFolder(&folders, system);
  return folders;
}

void JunkCleaner::AllowOnly(const std::vector<std::string>& folders) {
  restricted_ = true;
  allowed_.clear();
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    std::string full = FullLongPath(folder);
    if (!full.empty()) allowed_.push_back(full);
  }
}

bool JunkCleaner::MayEmpty(const std::string& path) const {
  if (path.size() < kShortestEmptiedPath || path.size() >= MAX_PATH) return false;
  const std::string full = FullLongPath(path);
  if (full.empty() || IsRootOrDevice(full)) return false;
  for (const std::string& kept : kept_)
    if (IsOrHolds(full, kept)) return false;
  if (!restricted_) return true;
  for (const std::string& allowed : allowed_)
    if (SameText(full, allowed)) return true;
  return false;
}

int JunkCleaner::EmptyFolder(const std::string& path) {
  deleted_ = 0;
  if (!MayEmpty(path)) return 0;
  size_t length = path.size();
  std::memcpy(path_, path.c_str(), length + 1);
  if (path_[length - 1] == '\\') path_[--length] = '\0';
  top_length_ = length;
  if (final_path_ != nullptr) {
    top_final_ = FinalPath(path_);
    if (top_final_.empty()) return 0;
  }
  EmptyInPlace(length);
  return deleted_;
}

std::string JunkCleaner::FinalPath(const char* path) const {
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "";
  char final_path[kFinalPathBuffer] = {0};
  const DWORD length = final_path_(handle, final_path, sizeof final_path, 0);
  CloseHandle(handle);
  if (length == 0 || length >= sizeof final_path) return "";
  const char* start = final_path;
  if (std::strncmp(start, kLongPrefix, sizeof kLongPrefix - 1) == 0)
    start += sizeof kLongPrefix - 1;
  return start;
}

bool JunkCleaner::IsWhereItsPathSays(size_t length) const {
  if (final_path_ == nullptr) return true;
  const std::string final_path = FinalPath(path_);
  return !final_path.empty() &&
         SameText(final_path, top_final_ + std::string(path_ + top_length_, length - top_length_));
}

void JunkCleaner::EmptyInPlace(size_t length) {
  if (length + sizeof "\\*" > MAX_PATH) return;
  std::memcpy(path_ + length, "\\*", sizeof "\\*");
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(path_, &entry);
  path_[length] = '\0';
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
    DeleteEntry(length, entry);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void JunkCleaner::DeleteEntry(size_t length, const WIN32_FIND_DATAA& entry) {
  // A link is never followed: what it points to may lie outside the folder being emptied (and
  // removing a folder link can take the empty target with it).
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
  const size_t name_length = std::strlen(entry.cFileName);
  const size_t entry_length = length + 1 + name_length;
  if (entry_length + 1 > MAX_PATH) return;
  path_[length] = '\\';
  std::memcpy(path_ + length + 1, entry.cFileName, name_length + 1);
  // Some systems (Wine) show a link to a file without the reparse attribute, and deleting it
  // there deletes its target: only an entry found where its path says is touched.
  if (IsWhereItsPathSays(entry_length)) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      EmptyInPlace(entry_length);
      if (RemoveDirectoryA(path_)) ++deleted_;
    } else if (DeleteFileA(path_)) {
      ++deleted_;
    }
  }
  path_[length] = '\0';
}

}  // namespace sorvik
