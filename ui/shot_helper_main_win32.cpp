// sorvik-shot.exe: drives the program's windows for the run and screenshot scripts, which have
// no window manager or input tool on a virtual display.
//   answer-notice SECONDS   waits for the first-build notice and presses its OK button
//   wait-notice SECONDS     waits until the first-build notice shows
//   wait-building SECONDS   waits until the first-build dialog shows
//   wait-main SECONDS       waits until the search window shows
//   index-page              shows the index page of the options on the settings of the
//                           current folder until the process is ended
// Exit status 0 when the window appeared, 1 on time-out, 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/config_store.h"
#include "lifecycle/index_creation_dlg_win32.h"
#include "lifecycle/index_option_dlg_win32.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "ui/main_search_dlg.h"

namespace sorvik {
namespace {

constexpr int kPollMs = 100;

HWND FindShown(const char* class_name, const char* title) {
  HWND window = FindWindowA(class_name, title);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitFor(const char* class_name, const char* title, int seconds) {
  for (int waited = 0; waited <= seconds * 1000; waited += kPollMs) {
    if (HWND window = FindShown(class_name, title)) return window;
    Sleep(kPollMs);
  }
  return nullptr;
}

// A frame that holds the index page the way the options window does.
int ShowIndexPage() {
  ConfigStore settings(ExecutableFolder() + kConfigFileName);
  HWND frame = CreateWindowExA(0, "#32770", "索　引", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40,
                               40, 480, 340, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  CIndexOptionDlg page(&settings);
  HWND child = page.Create(frame);
  if (frame == nullptr || child == nullptr) return 1;
  SetWindowPos(child, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int Run(const std::string& command, int seconds) {
  if (command == "answer-notice" || command == "wait-notice") {
    HWND notice = WaitFor("#32770", kFirstBuildNoticeCaption, seconds);
    if (notice == nullptr) return 1;
    if (command == "answer-notice") PostMessageA(notice, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == "wait-building") return WaitFor(kProgressWindowClass, nullptr, seconds) ? 0 : 1;
  if (command == "wait-main") {
    HWND window = WaitFor("#32770", kMainWindowTitle, seconds);
    if (window == nullptr) return 1;
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("search window: %ldx%ld at %ld,%ld%s\n", rect.right - rect.left,
                rect.bottom - rect.top, rect.left, rect.top, IsZoomed(window) ? ", maximised" : "");
    return 0;
  }
  if (command == "index-page") return ShowIndexPage();
  return 2;
}

}  // namespace
}  // namespace sorvik

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  return sorvik::Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 60);
}
