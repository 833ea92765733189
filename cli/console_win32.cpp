#include <io.h>
#include <windows.h>

#include <thread>

#include "cli/console.h"
#include "cli/progress_line.h"
#include "cli/wide_arguments.h"
#include "platform/progress.h"

namespace sorvik {
namespace {

// A hidden top-level window of the first-build dialog's class: the build finds it like the
// dialog and posts its progress texts here, which the console prints.
LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kMsgProgressText) {
    ProgressLine* line = reinterpret_cast<ProgressLine*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    std::string text = ProgressTextOf(wparam);
    FreeProgressText(wparam);
    if (line != nullptr) line->Show(text);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args = ArgumentsFromWide(GetCommandLineW());
  if (args.empty() && argc > 1) args.assign(argv + 1, argv + argc);
  return args;
}

bool FindUnrepresentable(const std::string& text, std::string* character) {
  return FindLostCharacter(text, character);
}

void EnsureStandardDescriptors() {}

std::string ShownPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

bool IsTerminal(FILE* file) { return _isatty(_fileno(file)) != 0; }

std::string FromConsole(const std::string& text) { return text; }

std::string ToConsole(const std::string& text) { return text; }

bool CheckDrives(std::vector<std::pair<char, std::string>>* drives, std::string* error) {
  if (drives->empty()) return true;
  *error = "--drive is for Linux; on Windows the system's drives are indexed";
  return false;
}

void MapDrives(const std::vector<std::pair<char, std::string>>&) {}

bool SaveDrives(const std::vector<std::pair<char, std::string>>&, const std::string&) {
  return true;
}

void LoadDrives(const std::string&) {}

bool LoadSavedDrives(const std::string&, std::string*) { return true; }

struct ConsoleProgress::State {
  State(FILE* out, uint32_t expected) : line(out, IsTerminal(out), expected, kProgressRefreshMs) {}
  ProgressLine line;       // where the texts are shown
  std::thread pump;        // runs the window's message loop
  DWORD thread_id = 0;     // of the pump, to end its loop
  HANDLE ready = nullptr;  // set once the window exists
};

ConsoleProgress::ConsoleProgress(FILE* out, uint32_t expected) : state_(new State(out, expected)) {
  state_->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  State* state = state_;
  state_->pump = std::thread([state] {
    state->thread_id = GetCurrentThreadId();
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = ProgressWindowProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = kProgressWindowClass;
    RegisterClassA(&window_class);
    HWND window = CreateWindowA(kProgressWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                window_class.hInstance, nullptr);
    if (window != nullptr)
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state->line));
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here
    SetEvent(state->ready);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    if (window != nullptr) DestroyWindow(window);
  });
  WaitForSingleObject(state_->ready, 5000);
}

ConsoleProgress::~ConsoleProgress() {
  PostThreadMessageA(state_->thread_id, WM_QUIT, 0, 0);
  if (state_->pump.joinable()) state_->pump.join();
  CloseHandle(state_->ready);
  delete state_;
}

}  // namespace sorvik
