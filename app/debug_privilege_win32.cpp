#include "app/debug_privilege_win32.h"

namespace sorvik {
namespace {

bool AdjustDebugPrivilege(HANDLE token, TOKEN_PRIVILEGES* privileges, DWORD attributes) {
  if (!LookupPrivilegeValueA("", SE_DEBUG_NAME, &privileges->Privileges[0].Luid)) return false;
  privileges->PrivilegeCount = 1;
  privileges->Privileges[0].Attributes = attributes;
  return AdjustTokenPrivileges(token, FALSE, privileges, sizeof *privileges, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

}  // namespace

bool EnableDebugPrivilege(HANDLE* token, TOKEN_PRIVILEGES* privileges) {
  *token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token)) return false;
  return AdjustDebugPrivilege(*token, privileges, SE_PRIVILEGE_ENABLED);
}

void DropDebugPrivilege(HANDLE token, TOKEN_PRIVILEGES* privileges) {
  if (token == nullptr) return;
  AdjustDebugPrivilege(token, privileges, SE_PRIVILEGE_REMOVED);
  CloseHandle(token);
}

}  // namespace sorvik
