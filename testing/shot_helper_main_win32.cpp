// sorvik-shot.exe: drives the program's windows for the run and screenshot scripts, which have
// no window manager or input tool on a virtual display.
//   answer-notice SECONDS   waits for the first-build notice and presses its OK button
//   wait-notice SECONDS     waits until the first-build notice shows
//   wait-building SECONDS   waits until the first-build dialog shows
//   wait-main SECONDS       waits until the search window shows
//   index-page              shows the index page of the options on the settings of the
//                           current folder until the process is ended
//   search TEXT             types TEXT into the search window's keyword box and presses Enter
//   type TEXT               selects the keyword box's text and types TEXT over it, key by key
//                           (posted characters, no Enter)
//   type-paced MS TEXT      the same, one key every MS milliseconds, printing for each key the
//                           moment it was posted (the host's clock, microseconds since 1970) and
//                           the text the box then holds
//   command ID              sends the search window the menu command ID
//   next-page               clicks "下一页" in the search window's bottom bar
//   menu ID                 clicks the search bar's menu button ID (its drop-down opens)
//   tool ID                 sends the search window the tools-menu command ID (6303, 6304),
//                           waits for the tool's dialog and prints its rectangle as WxH+X+Y
//   close-tool ID           closes that tool's dialog without doing anything
//   clean-now               presses "立即清理" in the open junk-file cleaner
//   key CAPTION ID VK       posts the key VK (down and up) to control ID of the dialog CAPTION
//   set-text CAPTION ID TEXT  sets the text of control ID of the window CAPTION (or of a page
//                           inside it)
//   press CAPTION ID        clicks the button ID of the window CAPTION (or of a page inside it)
//   tick CAPTION ID 0|1     clears or ticks the check box ID of the window CAPTION
//   sort-column N           clicks the header of column N (0-based) of the result list
//   context-menu            right-clicks the first row of the result list (its menu opens)
//   close-menu              closes the open menu with Esc
//   post ID                 posts the search window the menu command ID (for modal dialogs)
//   index-tab               selects "索　引" in the open "系统选项"
//   drop-intervals          opens the interval drop-down of the open "选项"
//   close TITLE             cancels the open dialog TITLE
//   title TEXT              types TEXT into the title box of "收藏" once it shows
//   ok CAPTION, close-box CAPTION  presses OK in / closes (as its close box) the dialog CAPTION
//   drag FIRST SECOND ONTO  in "整理收藏夹": clicks item FIRST, adds SECOND with Ctrl, drags
//                           them over item ONTO and holds the button there
//   drop ONTO               releases the button of that drag over item ONTO
//   wait-box CAPTION        waits until a message box with that caption shows
//   answer-box CAPTION      waits for it and presses its OK button
//   wait-rows N             waits (up to 60 s) until the search window's list has N rows, then
//                           prints the time it saw them, Unix milliseconds (the host's clock)
//   address-space           prints the search window's process's largest free block, its free
//                           bytes and its largest mapped file view with the file's name
// Exit status 0 when the window appeared, 1 on time-out, 2 for a usage error.
#include <windows.h>
// (the common controls need windows.h first)
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/progress.h"
#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "ui/command_ids.h"
#include "ui/first_build/index_creation_dlg_win32.h"
#include "ui/options/index_option_dlg_win32.h"
#include "ui/search/main_search_dlg.h"

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

// A right click on the middle of the list's first row, just below the header.
int RightClickFirstRow(HWND main) {
  HWND list = GetDlgItem(main, kResultListId);
  HWND header = GetWindow(list, GW_CHILD);
  if (list == nullptr || header == nullptr) return 1;
  RECT rect;
  GetWindowRect(header, &rect);
  const LPARAM point = MAKELPARAM(80, rect.bottom - rect.top + 8);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(list, WM_LBUTTONUP, 0, point);
  PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, point);
  PostMessageA(list, WM_RBUTTONUP, 0, point);
  return 0;
}

// A left click on the middle of the header of column `column` of the result list. The header's
// rectangles are not asked for: their message carries a pointer no other process can fill.
int ClickColumnHeader(HWND main, int column) {
  HWND list = GetDlgItem(main, kResultListId);
  HWND header = list != nullptr ? GetWindow(list, GW_CHILD) : nullptr;
  if (header == nullptr || column < 0) return 1;
  int x = 0;
  for (int i = 0; i < column; ++i)
    x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
  x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
  const LPARAM point = MAKELPARAM(x, 6);
  PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(header, WM_LBUTTONUP, 0, point);
  return 0;
}

// The host's clock in microseconds since 1970.
uint64_t UnixMicros() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks / 10 - 11644473600000000ull;
}

int TypePaced(const std::vector<std::string>& args) {
  if (args.size() != 2) return 2;
  HWND main = FindShown("#32770", kMainWindowTitle);
  HWND edit = main != nullptr ? KeywordEdit(main) : nullptr;
  if (edit == nullptr) return 1;
  const DWORD pace = static_cast<DWORD>(std::atoi(args[0].c_str()));
  PostMessageA(edit, EM_SETSEL, 0, -1);
  std::string typed;
  for (char c : args[1]) {
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    typed += c;
    std::printf("%llu\t%s\n", static_cast<unsigned long long>(UnixMicros()), typed.c_str());
    std::fflush(stdout);
    Sleep(pace);
  }
  return 0;
}

// Waits until the result list shows `rows` rows and prints when, in Unix milliseconds, so that a
// script can time a change on disk against it. Looks every 5 ms for at most 60 s.
int WaitForRows(int rows) {
  HWND main = FindShown("#32770", kMainWindowTitle);
  HWND list = main != nullptr ? GetDlgItem(main, kResultListId) : nullptr;
  if (list == nullptr) return 1;
  for (int i = 0; i < 12000; ++i) {
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == rows) {
      std::printf("%llu\n", static_cast<unsigned long long>(UnixMicros() / 1000));
      return 0;
    }
    Sleep(5);
  }
  return 1;
}

// Prints the address space of the search window's process after it loaded its index: its
// largest free block and all its free bytes, and its largest mapped file view with the file's
// name, in MB (whether db.txt got its one view).
int PrintAddressSpace() {
  HWND main = FindShown("#32770", kMainWindowTitle);
  DWORD id = 0;
  if (main == nullptr || GetWindowThreadProcessId(main, &id) == 0) return 1;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (process == nullptr) return 1;
  uint64_t free_total = 0, largest_free = 0;
  std::map<uintptr_t, uint64_t> views;  // mapped file views by allocation base
  MEMORY_BASIC_INFORMATION info;
  uintptr_t at = 0;
  while (VirtualQueryEx(process, reinterpret_cast<void*>(at), &info, sizeof info) == sizeof info) {
    if (info.State == MEM_FREE) {
      free_total += info.RegionSize;
      largest_free = std::max<uint64_t>(largest_free, info.RegionSize);
    } else if (info.Type == MEM_MAPPED) {
      views[reinterpret_cast<uintptr_t>(info.AllocationBase)] += info.RegionSize;
    }
    const uintptr_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (next <= at) break;  // the top of the address space
    at = next;
  }
  uintptr_t view = 0;
  for (const auto& entry : views) {
    if (view == 0 || entry.second > views[view]) view = entry.first;
  }
  char name[MAX_PATH] = "";
  if (view != 0) GetMappedFileNameA(process, reinterpret_cast<void*>(view), name, MAX_PATH);
  constexpr double kMb = 1024.0 * 1024.0;
  std::printf("largest free block %.1f MB, free %.1f MB of %.0f MB, largest view %.1f MB %s\n",
              largest_free / kMb, free_total / kMb, at / kMb, view != 0 ? views[view] / kMb : 0.0,
              name);
  CloseHandle(process);
  return 0;
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
  if (command == "type") {
    HWND edit = KeywordEdit(main);
    if (edit == nullptr) return 1;
    PostMessageA(edit, EM_SETSEL, 0, -1);
    for (char c : argument) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    return 0;
  }
  if (command == "menu") {
    HWND button = GetDlgItem(GetDlgItem(main, kSearchBarId), std::atoi(argument.c_str()));
    if (button == nullptr) return 1;
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    return 0;
  }
  if (command == "context-menu") return RightClickFirstRow(main);
  if (command == "sort-column") return ClickColumnHeader(main, std::atoi(argument.c_str()));
  if (command == "close-menu") {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu == nullptr) return 1;
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return 0;
  }
  if (command == "command" || command == "post") {
    const auto id = static_cast<WPARAM>(std::atoi(argument.c_str()));
    if (command == "post") return PostMessageA(main, WM_COMMAND, id, 0) ? 0 : 1;
    SendMessageA(main, WM_COMMAND, id, 0);
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

// A key pressed in control `control` of the shown dialog `caption`, posted the way the
// keyboard's keys arrive, so that the dialog's own message loop sees it first.
int PostKey(const std::vector<std::string>& args) {
  if (args.size() != 3) return 2;
  HWND dialog = WaitFor("#32770", args[0].c_str(), 10);
  HWND control = dialog != nullptr ? GetDlgItem(dialog, std::atoi(args[1].c_str())) : nullptr;
  if (control == nullptr) return 1;
  const WPARAM key = static_cast<WPARAM>(std::atoi(args[2].c_str()));
  PostMessageA(control, WM_KEYDOWN, key, 1);
  PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  return 0;
}

struct ControlSearch {
  int id;
  HWND found;
};

// A stdcall function of its own: a lambda does not convert to WNDENUMPROC on 32-bit Windows.
BOOL CALLBACK FindControl(HWND child, LPARAM data) {
  auto* wanted = reinterpret_cast<ControlSearch*>(data);
  if (GetDlgCtrlID(child) != wanted->id) return TRUE;
  wanted->found = child;
  return FALSE;
}

// Control `id` of `window` or of any window inside it (an embedded page), or null.
HWND ControlInside(HWND window, int id) {
  ControlSearch search = {id, nullptr};
  EnumChildWindows(window, FindControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// set-text CAPTION ID TEXT, tick CAPTION ID 0|1, press CAPTION ID.
int DriveControl(const std::string& command, const std::vector<std::string>& args) {
  if (args.size() != (command == "press" ? 2u : 3u)) return 2;
  HWND window = WaitFor("#32770", args[0].c_str(), 10);
  const int id = std::atoi(args[1].c_str());
  HWND control = window != nullptr ? ControlInside(window, id) : nullptr;
  if (control == nullptr) return 1;
  if (command == "set-text") return SetWindowTextA(control, args[2].c_str()) ? 0 : 1;
  if (command == "tick") {
    SendMessageA(control, BM_SETCHECK, args[2] == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
    return 0;
  }
  return PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control))
             ? 0
             : 1;
}

// Drives an open options dialog: its page tree, its drop-down, its Cancel button.
int DriveOptions(const std::string& command, const std::string& argument) {
  if (command == "close") {
    HWND dialog = FindShown("#32770", argument.c_str());
    return dialog != nullptr && PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0) ? 0 : 1;
  }
  if (command == "drop-intervals") {
    HWND dialog = FindShown("#32770", "选项");
    if (dialog == nullptr) return 1;
    PostMessageA(GetDlgItem(dialog, IDC_INDEX_FREQUENCY), CB_SHOWDROPDOWN, TRUE, 0);
    return 0;
  }
  HWND dialog = FindShown("#32770", "系统选项");
  if (dialog == nullptr) return 1;
  HWND tree = GetDlgItem(dialog, IDC_OPTION_PAGES);
  LRESULT first = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  LRESULT second = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, first);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, second);
  return 0;
}

// The rectangle of item `item` of the list view `list` of another process, in the list's client
// coordinates; the list writes it into memory lent in that process.
RECT RemoteItemRect(HWND list, int item) {
  RECT rect = {LVIR_BOUNDS, 0, 0, 0};
  DWORD process_id = 0;
  GetWindowThreadProcessId(list, &process_id);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  if (process == nullptr) return rect;
  void* lent = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
  if (lent != nullptr && WriteProcessMemory(process, lent, &rect, sizeof rect, nullptr)) {
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(lent));
    ReadProcessMemory(process, lent, &rect, sizeof rect, nullptr);
  }
  if (lent != nullptr) VirtualFreeEx(process, lent, 0, MEM_RELEASE);
  CloseHandle(process);
  return rect;
}

LPARAM ItemPoint(HWND list, int item, HWND to) {
  const RECT rect = RemoteItemRect(list, item);
  POINT point = {rect.left + 40, (rect.top + rect.bottom) / 2};
  MapWindowPoints(list, to, &point, 1);
  return MAKELPARAM(point.x, point.y);
}

// Drives the favourites dialogs, which have no window manager or input tool to reach them.
int DriveFavourites(const std::string& command, const std::vector<std::string>& args) {
  if (command == "title") {
    HWND dialog = WaitFor("#32770", "收藏", 10);
    if (dialog == nullptr || args.empty()) return 1;
    SetDlgItemTextA(dialog, IDC_FAV_TITLE, args[0].c_str());
    return 0;
  }
  if (command == "ok" || command == "close-box") {
    HWND dialog = args.empty() ? nullptr : WaitFor("#32770", args[0].c_str(), 10);
    if (dialog == nullptr) return 1;
    if (command == "ok")
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    else
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
  }
  HWND dialog = WaitFor("#32770", "整理收藏夹", 10);
  HWND list = dialog != nullptr ? GetDlgItem(dialog, IDC_FAV_LIST) : nullptr;
  if (list == nullptr) return 1;
  if (command == "drop" && args.size() == 1) {
    PostMessageA(dialog, WM_LBUTTONUP, 0, ItemPoint(list, std::atoi(args[0].c_str()), dialog));
    return 0;
  }
  if (command != "drag" || args.size() != 3) return 2;
  const LPARAM first = ItemPoint(list, std::atoi(args[0].c_str()), list);
  const LPARAM second = ItemPoint(list, std::atoi(args[1].c_str()), list);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, first);
  PostMessageA(list, WM_LBUTTONUP, 0, first);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, second);
  // Far enough from the press for the list to begin a drag; the dialog then holds the mouse.
  PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON,
               MAKELPARAM(LOWORD(second) + 12, HIWORD(second) + 12));
  Sleep(500);
  const LPARAM onto = ItemPoint(list, std::atoi(args[2].c_str()), dialog);
  PostMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(LOWORD(onto) - 8, HIWORD(onto) - 2));
  PostMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, onto);
  return 0;
}

int Run(const std::string& command, int seconds, const std::string& argument,
        const std::vector<std::string>& args) {
  if (command == "title" || command == "ok" || command == "close-box" || command == "drag" ||
      command == "drop")
    return DriveFavourites(command, args);
  if (command == "search" || command == "type" || command == "command" || command == "next-page" ||
      command == "menu" || command == "context-menu" || command == "close-menu" ||
      command == "post" || command == "sort-column")
    return DriveMain(command, argument);
  if (command == "close" || command == "drop-intervals" || command == "index-tab")
    return DriveOptions(command, argument);
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
  if (command == "key") return PostKey(args);
  if (command == "set-text" || command == "tick" || command == "press")
    return DriveControl(command, args);
  if (command == "clean-now") {  // "立即清理" in the open junk-file cleaner
    HWND dialog = FindShown("#32770", ToolCaption(kCmdJunkCleaner));
    return dialog != nullptr && PostMessageA(dialog, WM_COMMAND, IDC_CLEAN_NOW, 0) ? 0 : 1;
  }
  if (command == "wait-rows") return WaitForRows(seconds);
  if (command == "type-paced") return TypePaced(args);
  if (command == "address-space") return PrintAddressSpace();
  return 2;
}

}  // namespace
}  // namespace sorvik

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string argument = argc > 2 ? argv[2] : "";
  const std::vector<std::string> args(argv + 2, argv + argc);
  return sorvik::Run(argv[1], argc > 2 ? std::atoi(argv[2]) : 60, argument, args);
}
