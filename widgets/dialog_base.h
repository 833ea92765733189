// The base of every dialog of the program: one static dialog procedure that finds the object
// (its pointer travels in the lParam of DialogBoxParamA / CreateDialogParamA and is kept in the
// window's user data) and hands each message to a virtual handler.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/window_base.h"

namespace sorvik {

class CDialogBase {
 public:
  explicit CDialogBase(int template_id) : template_id_(template_id) {}
  virtual ~CDialogBase();
  CDialogBase(const CDialogBase&) = delete;
  CDialogBase& operator=(const CDialogBase&) = delete;

  // Runs the dialog modally over `parent`; the value given to End, or -1 when it could not be
  // created.
  INT_PTR RunModal(HWND parent);
  // Creates the dialog modelessly (a page or a child); null on failure.
  HWND Create(HWND parent);
  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  // Ends a modal dialog with `result`; destroys a modeless one.
  void End(INT_PTR result);

 protected:
  // WM_INITDIALOG; TRUE lets the system set the focus.
  virtual BOOL OnInit() { return TRUE; }
  // WM_COMMAND; true when handled. The default ends a modal dialog on OK and Cancel.
  virtual bool OnCommand(int id, int code, HWND control);
  // WM_NOTIFY; true when handled, with the result in `result`.
  virtual bool OnNotify(NMHDR* header, LRESULT* result) {
    (void)header;
    (void)result;
    return false;
  }
  virtual void OnTimer(UINT_PTR id) { (void)id; }
  virtual void OnSize(UINT type, int cx, int cy) {
    (void)type;
    (void)cx;
    (void)cy;
  }
  // Every other message; true when handled, with the dialog result in `result`.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
    (void)message;
    (void)wparam;
    (void)lparam;
    (void)result;
    return false;
  }
  bool IsModal() const { return modal_; }
  // A message box over the dialog (see ShowMessageBox); the button chosen.
  int ShowMessage(const std::string& text, const char* caption, UINT flags = MB_OK) const {
    return ShowMessageBox(hwnd_, text, caption, flags);
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  int template_id_;      // the dialog template in the executable's resources
  HWND hwnd_ = nullptr;  // the dialog window while it exists
  bool modal_ = false;   // run by RunModal
};

// Registers the common controls the templates use (list view, combo box, animation). Safe to
// call more than once.
void EnsureCommonControls();

}  // namespace sorvik
