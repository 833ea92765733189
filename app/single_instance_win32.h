// One running copy of the program, and the hand-off with the outside updater.
#pragma once

#include <windows.h>

#include <functional>

#include "update/live_update.h"  // the mutex names shared with the updater

namespace sorvik {

constexpr char kUpdaterRegistrationFile[] = ".\\Comfiles.reg";

constexpr DWORD kUpdaterProbeMs = 1000;       // pause between two probes of the hand-off mutex
constexpr DWORD kUpdaterWaitLimitMs = 10000;  // give up once the pauses exceed this
constexpr DWORD kUpdaterSettleMs = 2000;      // extra pause when the updater left its file

// Creates the instance mutex, owned by the calling thread when it is new. `running` is true when
// another process already holds it. Null when the mutex could not be created (treated as a
// first start).
HANDLE CreateInstanceMutex(bool* running);

// Whether a top-level window is the running instance's search window: a dialog that carries
// the search window's own property (other dialogs of the program, such as the MD5 dialog, have
// titles that start with "Sorvik" too).
bool IsRunningSearchWindow(HWND window);

// Shows the running instance's search window maximised and on top. True when one was found.
bool BringRunningInstanceForward();

// Waits while the updater holds the hand-off mutex, pausing with `sleep`: at most 11 probes,
// then 2 s more when ".\Comfiles.reg" exists and the mutex was free.
void WaitForUpdater(const std::function<void(DWORD)>& sleep);

}  // namespace sorvik
