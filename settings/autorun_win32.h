// The Run value under given root keys, for the program (the machine's and the user's root) and
// for tests (keys of their own).
#pragma once

#include <windows.h>

namespace sorvik {

// Writes the Run value below `machine`, or below `user` when it cannot be written there; off
// deletes it below both. True when written (on) or gone from both (off).
bool SetAutorunIn(HKEY machine, HKEY user, bool on);

}  // namespace sorvik
