// Test support for windows: answering message boxes and other modal dialogs from a hook, and a
// lock that keeps the test executables that map drives X: and Y: from running those tests at
// the same time. Tests only.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace sorvik {
namespace testing {

// While it lives, every dialog of this thread whose title is one of `titles` is answered with
// `button` as soon as it is activated; its title and message text are recorded.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::set<std::string> titles, int button = IDOK)
      : titles_(std::move(titles)), button_(button) {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~DialogAnswerer() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  std::vector<std::string> titles;  // the titles of the dialogs answered, in order
  std::vector<std::string> texts;   // their message texts (static 0xFFFF of a message box)
  std::function<void(HWND dialog)> before_answer;  // fills in a dialog before it is answered

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && current_ != nullptr)
      current_->Answer(reinterpret_cast<HWND>(wparam));
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  void Answer(HWND window) {
    char title[256] = {0};
    GetWindowTextA(window, title, sizeof title);
    if (titles_.count(title) == 0 || answered_.count(window) != 0) return;
    answered_.insert(window);
    char text[1024] = {0};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    titles.push_back(title);
    texts.push_back(text);
    if (before_answer) before_answer(window);
    PostMessageA(window, WM_COMMAND, button_, 0);
  }

  static inline DialogAnswerer* current_ = nullptr;
  std::set<std::string> titles_;  // the dialogs to answer
  int button_;                    // the command they are answered with
  std::set<HWND> answered_;       // each dialog is answered once
  HHOOK hook_;
};

// A hidden top-level window of class `class_name` (registered with `proc` on first use) that
// holds a widget under test and receives what the widget sends its parent.
inline HWND CreateHolderWindow(const char* class_name, WNDPROC proc, int width, int height,
                               DWORD style = WS_POPUP) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassA(&window_class);
  return CreateWindowExA(0, class_name, "", style, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Held while a test uses the drive letters X: and Y:, which several test executables share.
class TestDriveLock {
 public:
  TestDriveLock() : mutex_(CreateMutexA(nullptr, FALSE, "sorvik-test-drives-xy")) {
    WaitForSingleObject(mutex_, INFINITE);
  }
  ~TestDriveLock() {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  TestDriveLock(const TestDriveLock&) = delete;
  TestDriveLock& operator=(const TestDriveLock&) = delete;

 private:
  HANDLE mutex_;
};

}  // namespace testing
}  // namespace sorvik
