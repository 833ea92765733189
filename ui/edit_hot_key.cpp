#include "ui/edit_hot_key.h"

#include <string>

#include "ui/hot_key.h"

namespace sorvik {
namespace {

bool Held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void CEditHotKey::SetValue(uint32_t value) {
  value_ = value;
  if (value == 0) return;
  SetWindowTextA(Handle(), HotKeyText(value).c_str());
}

void CEditHotKey::Capture(uint32_t code) {
  uint32_t value = 0;
  if (Held(VK_CONTROL)) value |= kHotKeyCtrl;
  if (Held(VK_SHIFT)) value |= kHotKeyShift;
  if (Held(VK_MENU)) value |= kHotKeyAlt;
  if (!HotKeyKeyName(code).empty()) value |= code;
  value_ = value;
  SetWindowTextA(Handle(), HotKeyText(value).c_str());
}

bool CEditHotKey::PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)lparam;
  switch (message) {
    case WM_GETDLGCODE:
      // Every key is the box's: Tab and Return are parts of a combination here.
      *result = DLGC_WANTALLKEYS;
      return true;
    case WM_KEYDOWN:
      Capture(static_cast<uint32_t>(wparam));
      *result = 0;
      return true;
    case WM_KEYUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
    // The message loop has translated the key-down already; its character must not be typed.
    case WM_CHAR:
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
