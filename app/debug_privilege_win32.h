// The debug privilege, which lets the process list open other processes.
#pragma once

#include <windows.h>

namespace sorvik {

// Enables "SeDebugPrivilege" on the process token; `token` and `privileges` keep what
// DropDebugPrivilege needs. True when the adjustment succeeded.
bool EnableDebugPrivilege(HANDLE* token, TOKEN_PRIVILEGES* privileges);
// Removes the privilege again and closes the token.
void DropDebugPrivilege(HANDLE token, TOKEN_PRIVILEGES* privileges);

}  // namespace sorvik
