// Test support for the cleaner: making and checking test trees, paths beyond the ANSI limit,
// and symbolic links (made by the Linux "ln" when the tests run under Wine). Tests only.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {
namespace testing {

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates `path` and every missing folder above it.
inline void MakeFolder(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

inline void Touch(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// The long-path form ("\\?\" and UTF-16) of an ANSI path, for paths past 260 bytes.
inline std::wstring LongForm(const std::string& path) {
  wchar_t wide[1024] = {0};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
  return L"\\\\?\\" + std::wstring(wide);
}

inline bool MakeLongFolder(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryW(LongForm(path.substr(0, at)).c_str(), nullptr);
  return CreateDirectoryW(LongForm(path).c_str(), nullptr) ||
         GetLastError() == ERROR_ALREADY_EXISTS;
}

inline bool TouchLong(const std::string& path) {
  HANDLE file =
      CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

inline bool ExistsLong(const std::string& path) {
  return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The Linux path of an existing Windows path under Wine; empty elsewhere.
inline std::string UnixPath(const std::string& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return "";
  wchar_t wide[MAX_PATH] = {0};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  char* name = unix_name(wide);
  if (name == nullptr) return "";
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Makes `link` (in an existing folder) a symbolic link to `target`; false when this system
// cannot (the system's own call is a no-op under Wine, so the Linux "ln" makes it there).
inline bool MakeUnixLink(const std::string& target, const std::string& link) {
  const size_t cut = link.rfind('\\');
  const std::string unix_target = UnixPath(target);
  const std::string unix_folder = UnixPath(link.substr(0, cut));
  if (unix_target.empty() || unix_folder.empty()) return false;
  std::string command =
      "Z:\\bin\\ln -s " + unix_target + " " + unix_folder + "/" + link.substr(cut + 1);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine does not signal the end of a Linux process; the link's appearance is the sign.
  for (int waited = 0; waited < 10000 && !Exists(link); waited += 20) Sleep(20);
  return Exists(link);
}

}  // namespace testing
}  // namespace sorvik
