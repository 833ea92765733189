#include "platform/progress.h"

#include <windows.h>

#include <cstring>

namespace sorvik {
namespace {

char* CopyText(const std::string& text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

}  // namespace

uintptr_t FindProgressWindow() {
  return reinterpret_cast<uintptr_t>(FindWindowA(kProgressWindowClass, nullptr));
}

bool PostProgressText(uintptr_t window, const std::string& text) {
  if (window == 0) return false;
  char* copy = CopyText(text);
  if (PostMessageA(reinterpret_cast<HWND>(window), kMsgProgressText, reinterpret_cast<WPARAM>(copy),
                   0)) {
    return true;
  }
  delete[] copy;
  return false;
}

bool SendProgressText(uintptr_t window, const std::string& text) {
  if (window == 0) return false;
  char* copy = CopyText(text);
  SetLastError(ERROR_SUCCESS);
  LRESULT result = SendMessageA(reinterpret_cast<HWND>(window), kMsgProgressText,
                                reinterpret_cast<WPARAM>(copy), 0);
  // A result of 0 with ERROR_INVALID_WINDOW_HANDLE: no window took the text, so it is ours.
  if (result == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE) {
    delete[] copy;
    return false;
  }
  return true;
}

bool SendIndexDone(uintptr_t window, const char* text) {
  if (window == 0) return false;
  SetLastError(ERROR_SUCCESS);
  LRESULT result = SendMessageA(reinterpret_cast<HWND>(window), kMsgIndexDone,
                                reinterpret_cast<WPARAM>(text), 0);
  return !(result == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE);
}

void FreeProgressText(uintptr_t wparam) { delete[] reinterpret_cast<char*>(wparam); }

bool InstallProgressSink(ProgressSink*) { return false; }

}  // namespace sorvik
