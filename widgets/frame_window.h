// The window procedure of a top-level window object that frees itself when closed.
#pragma once

#include <windows.h>

namespace sorvik {

// Hands every message to the object of type T whose pointer travels in the creation parameter
// (kept in GWLP_USERDATA). At WM_NCDESTROY the object forgets its window and, when its
// `frees_itself_` is set, deletes itself; one whose creation failed is freed by its creator.
// T declares this function a friend and has `hwnd_`, `frees_itself_` and
// `bool OnMessage(UINT, WPARAM, LPARAM, LRESULT*)`.
template <typename T>
LRESULT FrameWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  T* window = nullptr;
  if (message == WM_NCCREATE) {
    window = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->hwnd_ = hwnd;
  } else {
    window = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (window == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    window->hwnd_ = nullptr;
    if (window->frees_itself_) delete window;
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  try {
    LRESULT result = 0;
    if (window->OnMessage(message, wparam, lparam, &result)) return result;
  } catch (...) {
    // Nothing may unwind through the system's window code.
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace sorvik
