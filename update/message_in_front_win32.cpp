#include <windows.h>

#include "update/online_update.h"

namespace sorvik {
namespace {

// The message box of this thread, raised over every window as soon as it is activated. A box
// shown from the online step's thread and owned by the search window of another thread is
// otherwise left where the window manager puts it: often behind its own, disabled, owner.
thread_local HHOOK g_front_hook = nullptr;

LRESULT CALLBACK RaiseWhenActivated(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wparam);
    char class_name[16] = {0};
    GetClassNameA(box, class_name, sizeof class_name);
    if (lstrcmpA(class_name, "#32770") == 0) {
      SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
      SetForegroundWindow(box);
    }
  }
  return CallNextHookEx(g_front_hook, code, wparam, lparam);
}

}  // namespace

void ShowMessageInFront(HWND owner, const char* text, const char* caption, unsigned icon) {
  HWND parent = owner;
  if (parent == nullptr) parent = GetForegroundWindow();
  g_front_hook = SetWindowsHookExA(WH_CBT, &RaiseWhenActivated, nullptr, GetCurrentThreadId());
  MessageBoxA(parent, text, caption, MB_OK | icon | MB_TOPMOST | MB_SETFOREGROUND);
  if (g_front_hook != nullptr) UnhookWindowsHookEx(g_front_hook);
  g_front_hook = nullptr;
}

}  // namespace sorvik
