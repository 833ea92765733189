#include "ui/options/edit_hot_key.h"

#include <string>

#include "ui/tray/hot_key.h"

namespace sorvik {
namespace {

bool Held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool IsKeyDown(UINT message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

}  // namespace

bool IsDialogNavigationKey(WPARAM key) {
  return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE;
}

void CEditHotKey::SetValue(uint32_t value) {
  if (value == 0) return;
  ShowValue(value);
}

void CEditHotKey::ShowValue(uint32_t value) {
  value_ = value;
  SetWindowTextA(Handle(), HotKeyText(value).c_str());
}

void CEditHotKey::Capture(uint32_t code) {
  // A modifier alone or a key without a name is no hot key: the one shown stays.
  if (HotKeyKeyName(code).empty()) return;
  uint32_t value = code;
  if (Held(VK_CONTROL)) value |= kHotKeyCtrl;
  if (Held(VK_SHIFT)) value |= kHotKeyShift;
  if (Held(VK_MENU)) value |= kHotKeyAlt;
  ShowValue(value);
}

bool CEditHotKey::PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Key-downs are the box's, except those the dialog moves on, confirms or cancels with.
      *result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      const auto* key = reinterpret_cast<const MSG*>(lparam);
      if (key != nullptr && IsKeyDown(key->message) && !IsDialogNavigationKey(key->wParam))
        *result |= DLGC_WANTMESSAGE;
      return true;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (IsDialogNavigationKey(wparam)) return false;
      Capture(static_cast<uint32_t>(wparam));
      *result = 0;
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:  // Alt released: no menu of the dialog opens
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    // The message loop has translated the key-down already; its character must not be typed.
    case WM_CHAR:
    case WM_SYSCHAR:
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
