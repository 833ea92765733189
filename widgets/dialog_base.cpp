#include "widgets/dialog_base.h"

#include <commctrl.h>

namespace sorvik {

void EnsureCommonControls() {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS | ICC_LISTVIEW_CLASSES;
  InitCommonControlsEx(&controls);
}

CDialogBase::~CDialogBase() {
  if (hwnd_ != nullptr && !modal_) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
  }
}

INT_PTR CDialogBase::RunModal(HWND parent) {
  EnsureCommonControls();
  modal_ = true;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id_),
                                   parent, DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  return result;
}

HWND CDialogBase::Create(HWND parent) {
  EnsureCommonControls();
  modal_ = false;
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id_), parent,
                            DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialogBase::End(INT_PTR result) {
  if (hwnd_ == nullptr) return;
  if (modal_) {
    EndDialog(hwnd_, result);
    return;
  }
  HWND window = hwnd_;
  SetWindowLongPtrA(window, DWLP_USER, 0);
  hwnd_ = nullptr;
  DestroyWindow(window);
}

bool CDialogBase::OnCommand(int id, int code, HWND control) {
  (void)code;
  (void)control;
  if (modal_ && (id == IDOK || id == IDCANCEL)) {
    End(id);
    return true;
  }
  return false;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  CDialogBase* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialogBase*>(lparam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    dialog->hwnd_ = hwnd;
  } else {
    dialog = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (dialog == nullptr) return FALSE;
  try {
    return dialog->Dispatch(message, wparam, lparam);
  } catch (...) {
    // Nothing may unwind through the system's dialog code.
    return FALSE;
  }
}

INT_PTR CDialogBase::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND:
      return OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(lparam), &result)) return FALSE;
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_TIMER:
      OnTimer(wparam);
      return TRUE;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
      return FALSE;
    case WM_NCDESTROY:
      if (!modal_) hwnd_ = nullptr;
      return FALSE;
    default: {
      INT_PTR result = 0;
      return OnMessage(message, wparam, lparam, &result) ? result : FALSE;
    }
  }
}

}  // namespace sorvik
