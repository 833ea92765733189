#include "platform/drives.h"

#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cstring>
#include <vector>

namespace sorvik {
namespace {

// The Wine mount manager's own request that defines a drive letter (Wine's
// include/ddk/mountmgr.h, WINE_MOUNTMGR_EXTENSIONS; the layout of Wine 7 and 8). winecfg uses it.
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(static_cast<DWORD>('m'), 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDriveRequest {
  ULONG size;                 // whole request with its strings
  ULONG type;                 // DRIVE_* value; DRIVE_NO_ROOT_DIR removes the drive
  ULONG fs_type;              // file system kind, 0 lets Wine decide
  DWORD serial;               // volume serial number, 0 lets Wine decide
  ULONGLONG unix_dev;         // device number, 0 for none
  WCHAR letter;               // drive letter
  USHORT mount_point_offset;  // offset of the zero-terminated Unix folder, 0 for none
  USHORT device_offset;       // offset of the Unix device path, 0 for none
  USHORT label_offset;        // offset of the volume label, 0 for none
};

typedef char*(CDECL* UnixFileNameFunction)(LPCWSTR);

bool IsTestLetter(char letter) { return letter >= 'D' && letter <= 'Y'; }

// Wine exports this from kernel32; Windows does not.
UnixFileNameFunction WineUnixFileName() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  FARPROC function = GetProcAddress(kernel, "wine_get_unix_file_name");
  return reinterpret_cast<UnixFileNameFunction>(reinterpret_cast<void (*)()>(function));
}

bool DefineWineDrive(char letter, const char* unix_folder, ULONG type) {
  size_t folder_length = unix_folder == nullptr ? 0 : std::strlen(unix_folder) + 1;
  std::vector<char> buffer(sizeof(UnixDriveRequest) + folder_length, 0);
  UnixDriveRequest* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = type;
  request->letter = static_cast<WCHAR>(letter);
  if (unix_folder != nullptr) {
    std::memcpy(buffer.data() + sizeof(UnixDriveRequest), unix_folder, folder_length);
    request->mount_point_offset = sizeof(UnixDriveRequest);
  }
  HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(),
                            static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

}  // namespace

uint32_t LogicalDriveMask() { return GetLogicalDrives(); }

uint32_t DriveType(const std::string& root) { return GetDriveTypeA(root.c_str()); }

bool MapTestDrive(char letter, const std::string& folder, uint32_t type) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  UnixFileNameFunction unix_file_name = WineUnixFileName();
  if (!IsTestLetter(letter) || unix_file_name == nullptr || folder.empty()) return false;
  int length = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
  if (length <= 0) return false;
  std::vector<WCHAR> wide(static_cast<size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(), length);
  char* unix_folder = unix_file_name(wide.data());
  if (unix_folder == nullptr) return false;
  bool ok = DefineWineDrive(letter, unix_folder, type);
  HeapFree(GetProcessHeap(), 0, unix_folder);
  return ok;
}

bool UnmapTestDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (!IsTestLetter(letter) || WineUnixFileName() == nullptr) return false;
  return DefineWineDrive(letter, nullptr, DRIVE_NO_ROOT_DIR);
}

}  // namespace sorvik
