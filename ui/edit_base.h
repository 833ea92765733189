// The single-line edit of the program: the keyword box and the hot-key box. Two additions to the
// system's edit: Return (seen before the dialog manager can make it the dialog's OK) sends
// kMsgKeywordEnter to the parent with the control as wParam, and a double-click focuses the
// control and selects all of its text. Derived controls see every message first.
#pragma once

#include <windows.h>

namespace sorvik {

class CEditBase {
 public:
  CEditBase() = default;
  virtual ~CEditBase();
  CEditBase(const CEditBase&) = delete;
  CEditBase& operator=(const CEditBase&) = delete;

  // Creates the edit as child `id` of `parent` in "宋体" 16 pixels, scrolling sideways as text
  // is typed.
  bool Create(HWND parent, const RECT& rect, int id);
  // Takes over an edit that a dialog template made.
  bool Attach(HWND edit);
  HWND Handle() const { return edit_; }

 protected:
  // A message for the control before the edit sees it; true when consumed, with the result in
  // `result`.
  virtual bool PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    (void)message;
    (void)wparam;
    (void)lparam;
    (void)result;
    return false;
  }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Process(UINT message, WPARAM wparam, LPARAM lparam);
  void SelectAll();

  HWND edit_ = nullptr;         // the edit control
  WNDPROC original_ = nullptr;  // its own window procedure
  HFONT font_ = nullptr;        // "宋体" 16 pixels, for an edit made by Create
};

}  // namespace sorvik
