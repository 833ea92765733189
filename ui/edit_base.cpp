#include "ui/edit_base.h"

#include "ui/command_ids.h"

namespace sorvik {

CEditBase::~CEditBase() {
  if (edit_ != nullptr && IsWindow(edit_)) {
    SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    SetWindowLongPtrA(edit_, GWLP_USERDATA, 0);
  }
  if (font_ != nullptr) DeleteObject(font_);
}

bool CEditBase::Create(HWND parent, const RECT& rect, int id) {
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                              rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  if (edit == nullptr) return false;
  font_ =
      CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return Attach(edit);
}

bool CEditBase::Attach(HWND edit) {
  if (edit == nullptr || edit_ != nullptr) return false;
  edit_ = edit;
  SetWindowLongPtrA(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  return true;
}

LRESULT CALLBACK CEditBase::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<CEditBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  LRESULT result = 0;
  if (self->PreTranslate(message, wparam, lparam, &result)) return result;
  return self->Process(message, wparam, lparam);
}

LRESULT CEditBase::Process(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETDLGCODE: {
      // The dialog manager would turn Return into the dialog's OK; the control wants it.
      LRESULT code = CallWindowProcA(original_, edit_, message, wparam, lparam);
      auto* key = reinterpret_cast<MSG*>(lparam);
      if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        SendMessageA(GetParent(edit_), kMsgKeywordEnter, reinterpret_cast<WPARAM>(edit_), 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wparam == '\r' || wparam == '\n') return 0;  // no beep for the handled Return
      break;
    case WM_LBUTTONDBLCLK:
      SelectAll();
      return 0;
    default:
      break;
  }
  return CallWindowProcA(original_, edit_, message, wparam, lparam);
}

void CEditBase::SelectAll() {
  SetFocus(edit_);
  SendMessageA(edit_, EM_SETSEL, 0, -1);
  SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

}  // namespace sorvik
