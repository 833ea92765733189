// Win32 test support: a window procedure for a stand-in of the first-build dialog that records
// every progress text it receives and frees it, as the dialog does. Tests only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/progress.h"

namespace sorvik {
namespace testing {

// The texts the stand-in received, in order.
inline std::vector<std::string>& ReceivedProgressTexts() {
  static std::vector<std::string> texts;
  return texts;
}

inline LRESULT CALLBACK RecordProgressText(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == kMsgProgressText) {
    ReceivedProgressTexts().emplace_back(ProgressTextOf(wparam));
    FreeProgressText(wparam);
    return 1;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Registers the stand-in's class under the dialog's class name and creates one hidden stand-in;
// null when that fails (creating windows under Wine needs an X display). The caller destroys
// the window and unregisters kProgressWindowClass.
inline HWND CreateProgressRecorder() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = RecordProgressText;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kProgressWindowClass;
  if (RegisterClassA(&window_class) == 0) return nullptr;
  return CreateWindowA(kProgressWindowClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

}  // namespace testing
}  // namespace sorvik
