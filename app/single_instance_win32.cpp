#include "app/single_instance_win32.h"

#include <cstring>

#include "platform/fs.h"
#include "ui/command_ids.h"

namespace sorvik {
namespace {

constexpr int kNameBuffer = 100;
constexpr UINT kShowTimeoutMs = 5000;  // a hung window does not hold up the second start

}  // namespace

HANDLE CreateInstanceMutex(bool* running) {
  // Owned by the first instance's main thread until the process ends: the outside updater
  // waits on it for the program's end.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  *running = mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  return mutex;
}

bool IsRunningSearchWindow(HWND window) {
  char class_name[kNameBuffer] = {0};
  GetClassNameA(window, class_name, kNameBuffer);
  return std::strcmp(class_name, "#32770") == 0 &&
         GetPropA(window, kSearchWindowProperty) == window;
}

bool BringRunningInstanceForward() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (!IsRunningSearchWindow(window)) continue;
    // The window lets itself be shown (a logon start keeps it hidden until asked), then shows.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, kMsgShowRunning, 0, 0, SMTO_ABORTIFHUNG, kShowTimeoutMs, &answer);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    return true;
  }
  return false;
}

void WaitForUpdater(const std::function<void(DWORD)>& sleep) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kUpdaterMutexName);
  DWORD waited = 0;
  while (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    mutex = nullptr;
    sleep(kUpdaterProbeMs);
    waited += kUpdaterProbeMs;
    if (waited > kUpdaterWaitLimitMs) return;
    mutex = CreateMutexA(nullptr, FALSE, kUpdaterMutexName);
  }
  if (mutex == nullptr) return;
  if (PathExists(kUpdaterRegistrationFile)) sleep(kUpdaterSettleMs);
  CloseHandle(mutex);
}

}  // namespace sorvik
