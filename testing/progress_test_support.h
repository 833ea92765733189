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

}  // namespace testing
}  // namespace sorvik
