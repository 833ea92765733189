#include "platform/fs.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstring>

#include "platform/file_faults.h"

namespace sorvik {
namespace {

// The delete operation takes a double-NUL-terminated list in a zeroed 1000-byte buffer.
constexpr size_t kDeleteBufferSize = 1000;

}  // namespace

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileSizeOf(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool CreateFolder(const std::string& path) {
  if (!FileOpAllowed(FileOp::kCreateFolder, path)) return false;
  return CreateDirectoryA(path.c_str(), nullptr) != 0 || IsFolder(path);
}

bool RenamePath(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename, from)) return false;
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool RemoveFile(const std::string& path) {
  return FileOpAllowed(FileOp::kRemove, path) && DeleteFileA(path.c_str()) != 0;
}

bool ReplacePath(const std::string& from, const std::string& to) {
  if (!FileOpAllowed(FileOp::kRename, from)) return false;
  // Windows refuses to replace a read-only file; Wine would replace it. The user's read-only
  // mark is kept on both.
  const DWORD target = GetFileAttributesA(to.c_str());
  if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteFolderTree(const std::string& path) {
  // Two terminating zeros must fit: a longer path is refused rather than cut.
  if (path.empty() || path.size() + 2 > kDeleteBufferSize) return false;
  if (!PathExists(path) || !FileOpAllowed(FileOp::kRemove, path)) return false;
  char buffer[kDeleteBufferSize];
  std::memset(buffer, 0, sizeof buffer);
  std::memcpy(buffer, path.data(), path.size());
  SHFILEOPSTRUCTA operation;
  std::memset(&operation, 0, sizeof operation);
  operation.wFunc = FO_DELETE;
  operation.pFrom = buffer;
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_MULTIDESTFILES;
  return SHFileOperationA(&operation) == 0;
}

std::string ExecutableFolder() {
  char module[MAX_PATH + 1] = {0};
  DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".\\";
  char drive[_MAX_DRIVE], dir[_MAX_DIR];
  _splitpath(module, drive, dir, nullptr, nullptr);
  return std::string(drive) + dir;
}

bool SetCurrentFolder(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

void SleepMs(uint32_t ms) { Sleep(ms); }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool MapDrive(char, const std::string&) { return false; }

void ClearDriveMap() {}

}  // namespace sorvik
