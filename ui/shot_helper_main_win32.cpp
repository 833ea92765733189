// sorvik-shot.exe: drives the program's windows for the run and screenshot scripts, which have
// no window manager or input tool on a virtual display.
//   answer-notice SECONDS   waits for the first-build notice and presses its OK button
//   wait-notice SECONDS     waits until the first-build notice shows
//   wait-building SECONDS   waits until the first-build dialog shows
//   wait-main SECONDS       waits until the search window shows
//   index-page              shows the index page of the options on the settings of the
//                           current folder until the process is ended
//   search TEXT             types TEXT into the search window's keyword box and presses Enter
//   command ID              sends the search window the menu command ID
//   next-page               clicks "下一页" in the search window's bottom bar
//   menu ID                 clicks the search bar's menu button ID (its drop-down opens)
//   tool ID                 sends the search window the tools-menu command ID (6303, 6304),
//                           waits for the tool's dialog and prints its rectangle as WxH+X+Y
//   close-tool ID           closes that tool's dialog without doing anything
//   wait-box CAPTION        waits until a message box with that caption shows
//   answer-box CAPTION      waits for it and presses its OK button
// Exit status 0 when the window appeared, 1 on time-out, 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/config_store.h"
#include "ui/index_creation_dlg_win32.h"
#include "ui/index_option_dlg_win32.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "ui/command_ids.h"
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

// The caption of the dialog a tools-menu command opens, or null.
const char* ToolCaption(int command) {
  if (command == kCmdJunkCleaner) return "清理垃圾文件";
  if (command == kCmdDesktopTweaks) return "系统个性设置";
  return nullptr;
}

// Opens a tool from the running search window, or closes it again.
int DriveTool(const std::string& command, int tool) {
  const char* caption = ToolCaption(tool);
  HWND main = FindShown("#32770", kMainWindowTitle);
  if (caption == nullptr || main == nullptr) return 1;
  if (command == "close-tool") {
    HWND dialog = FindShown("#32770", caption);
    if (dialog != nullptr) PostMessageA(dialog, WM_CLOSE, 0, 0);
    return dialog != nullptr ? 0 : 1;
  }
  PostMessageA(main, WM_CANCELMODE, 0, 0);  // an open drop-down menu closes first
  PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(tool), 0);
  HWND dialog = WaitFor("#32770", caption, 20);
  if (dialog == nullptr) return 1;
  RECT rect;
  GetWindowRect(dialog, &rect);
  std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
              rect.top);
  return 0;
}

HWND KeywordEdit(HWND main) {
  HWND bar = GetDlgItem(main, kSearchBarId);
  for (HWND child = GetWindow(bar, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (HWND edit = GetDlgItem(child, kKeywordEditId)) return edit;
  return nullptr;
}

// Drives the running search window: a search, a command or the next page.
int DriveMain(const std::string& command, const std::string& argument) {
  HWND main = FindShown("#32770", kMainWindowTitle);
  if (main == nullptr) return 1;
  if (command == "search") {
    HWND edit = KeywordEdit(main);
    if (edit == nullptr) return 1;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argument.c_str()));
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    return 0;
  }
  if (command == "menu") {
    HWND button = GetDlgItem(GetDlgItem(main, kSearchBarId), std::atoi(argument.c_str()));
    if (button == nullptr) return 1;
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    return 0;
  }
  if (command == "command") {
    SendMessageA(main, WM_COMMAND, static_cast<WPARAM>(std::atoi(argument.c_str())), 0);
    return 0;
  }
  // "下一页" is the left one of the two links packed to the right edge on page 1.
  HWND bar = GetDlgItem(main, kStatusBarId);
  RECT client;
  GetClientRect(bar, &client);
  LPARAM point = MAKELPARAM(client.right - 90 + 20, 17);
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageA(bar, WM_LBUTTONUP, 0, point);
  return 0;
}

int Run(const std::string& command, int seconds, const std::string& argument) {
  if (command == "search" || command == "command" || command == "next-page" || command == "menu")
    return DriveMain(command, argument);
  if (command == "answer-notice" || command == "wait-notice") {
    HWND notice = WaitFor("#32770", kFirstBuildNoticeCaption, seconds);
    if (notice == nullptr) return 1;
    if (command == "answer-notice") PostMessageA(notice, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == "wait-box" || command == "answer-box") {  // a message box with that caption
    HWND box = WaitFor("#32770", argument.c_str(), 60);
    if (box != nullptr && command == "answer-box") PostMessageA(box, WM_COMMAND, IDOK, 0);
    return box != nullptr ? 0 : 1;
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
  if (command == "tool" || command == "close-tool") return DriveTool(command, seconds);
  return 2;
}

}  // namespace
}  // namespace sorvik

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string argument = argc > 2 ? argv[2] : "";
  return sorvik::Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 60, argument);
}
