#include <shlobj.h>
#include <windows.h>

#include "settings/working_folder.h"

namespace sorvik {
namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

bool CanWriteIn(const std::string& folder) {
  // A name of this process alone, removed by the system when the handle closes.
  const std::string probe =
      WithBackslash(folder) + "~sorvik-write-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(probe.c_str());  // should the system have kept it
  return true;
}

std::string PerUserWorkingFolder() {
  char local[MAX_PATH] = {0};
  if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local) != S_OK)
    return std::string();
  const std::string folder = WithBackslash(local) + kPerUserFolderName;
  CreateDirectoryA(folder.c_str(), nullptr);
  return WithBackslash(folder);
}

std::string ChooseWorkingFolder(const std::string& program_folder) {
  if (CanWriteIn(program_folder)) return WithBackslash(program_folder);
  const std::string own = PerUserWorkingFolder();
  if (!own.empty() && CanWriteIn(own)) return own;
  return WithBackslash(program_folder);
}

}  // namespace sorvik
