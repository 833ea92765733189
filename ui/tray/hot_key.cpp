#include "ui/tray/hot_key.h"

#include <cstdio>

#include "settings/config_store.h"
#include "ui/command_ids.h"

namespace sorvik {
namespace {

std::string Formatted(const char* format, int number) {
  char text[16];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

std::string Joined(const std::string& text, const std::string& name) {
  return text.empty() ? name : text + " + " + name;
}

constexpr int kHotKeyProbeId = 0xBFF0;  // held for a moment by HotKeyIsFree

UINT Modifiers(uint32_t value) {
  UINT modifiers = 0;
  if (value & kHotKeyCtrl) modifiers |= MOD_CONTROL;
  if (value & kHotKeyShift) modifiers |= MOD_SHIFT;
  if (value & kHotKeyAlt) modifiers |= MOD_ALT;
  return modifiers;
}

}  // namespace

std::string HotKeyKeyName(uint32_t code) {
  switch (code) {
    case VK_INSERT:
      return "Insert";
    case VK_HOME:
      return "Home";
    case VK_END:
      return "End";
    case VK_LEFT:
      return "Left";
    case VK_UP:
      return "Up";
    case VK_RIGHT:
      return "Right";
    case VK_DOWN:
      return "Down";
    case VK_ADD:
      return "Num +";
    case VK_SUBTRACT:
      return "Num -";
    case VK_MULTIPLY:
      return "Num *";
    case VK_DIVIDE:
      return "Num /";
    default:
      break;
  }
  const int key = static_cast<int>(code);
  if (code >= VK_F1 && code <= VK_F24) return Formatted("F%d", key - 111);
  if (code >= '0' && code <= '9') return Formatted("%d", key - '0');
  if (code >= 'A' && code <= 'Z') return Formatted("%c", key);
  if (code >= VK_NUMPAD0 && code <= VK_NUMPAD9) return Formatted("Num%d", key - VK_NUMPAD0);
  return "";
}

std::string HotKeyText(uint32_t value) {
  std::string text;
  if (value & kHotKeyCtrl) text = "Ctrl";
  if (value & kHotKeyShift) text = Joined(text, "Shift");
  if (value & kHotKeyAlt) text = Joined(text, "Alt");
  const std::string name = HotKeyKeyName(value & kHotKeyVirtualKey);
  if (!name.empty()) text = Joined(text, name);
  return text;
}

uint32_t StoredHotKey(ConfigStore* settings) {
  return static_cast<uint32_t>(settings->GetInt(kConfigShortcutKey, kDefaultShortcutKey));
}

bool HotKeyHasModifier(uint32_t value) {
  return (value & (kHotKeyCtrl | kHotKeyShift | kHotKeyAlt)) != 0;
}

bool HotKeyIsFree(uint32_t value) {
  if (!RegisterHotKey(nullptr, kHotKeyProbeId, Modifiers(value), value & kHotKeyVirtualKey))
    return false;
  UnregisterHotKey(nullptr, kHotKeyProbeId);
  return true;
}

bool RegisterSearchHotKey(HWND window, uint32_t value) {
  if (value == 0) return true;
  return RegisterHotKey(window, kHotKeyId, Modifiers(value), value & kHotKeyVirtualKey) != FALSE;
}

void UnregisterSearchHotKey(HWND window) { UnregisterHotKey(window, kHotKeyId); }

}  // namespace sorvik
