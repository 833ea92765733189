#include "platform/find.h"

#include <windows.h>

#include <cstring>

namespace sorvik {
namespace {

void CopyRecord(const WIN32_FIND_DATAA& data, FindRecord* record) {
  record->attributes = data.dwFileAttributes;
  record->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  record->last_write = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
  static_assert(sizeof data.cFileName == kFindNameSize, "cFileName is 260 bytes");
  std::memcpy(record->name, data.cFileName, kFindNameSize);
  record->name[kFindNameSize - 1] = '\0';
}

}  // namespace

intptr_t FindFirstEntry(const std::string& pattern, FindRecord* record) {
  WIN32_FIND_DATAA data;
  std::memset(&data, 0, sizeof data);
  HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidFind;
  CopyRecord(data, record);
  return reinterpret_cast<intptr_t>(handle);
}

bool FindNextEntry(intptr_t handle, FindRecord* record) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(handle), &data)) return false;
  CopyRecord(data, record);
  return true;
}

void FindCloseEntry(intptr_t handle) { FindClose(reinterpret_cast<HANDLE>(handle)); }

bool StatEntry(const std::string& path, FindRecord* record) {
  if (path.find_first_of("*?") != std::string::npos) return false;
  const intptr_t handle = FindFirstEntry(path, record);
  if (handle == kInvalidFind) return false;
  FindCloseEntry(handle);
  return true;
}

}  // namespace sorvik
