// The search window's system-wide hot key: its 32-bit value (virtual key in the low 16 bits,
// modifier flags above), the text shown for it, and its registration under one fixed id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace sorvik {

class ConfigStore;

constexpr uint32_t kHotKeyCtrl = 0x10000;
constexpr uint32_t kHotKeyShift = 0x20000;
constexpr uint32_t kHotKeyAlt = 0x40000;
constexpr uint32_t kHotKeyVirtualKey = 0xFFFF;

// The name of virtual key `code` ("F5", "Num +", "K"), or "" for a key without one.
std::string HotKeyKeyName(uint32_t code);
// The modifier names and the key name joined by " + ", such as "Ctrl + Shift + F5".
std::string HotKeyText(uint32_t value);
// The value stored under "shortcut_key", Ctrl + K when the key is missing.
uint32_t StoredHotKey(ConfigStore* settings);
// Whether `value` holds Ctrl, Shift or Alt.
bool HotKeyHasModifier(uint32_t value);
// Whether no window (of any program) holds `value` now: registered for a moment and let go.
bool HotKeyIsFree(uint32_t value);
// Registers `value` for `window` under the search window's id; nothing (and true) for 0. False
// when another window holds the key.
bool RegisterSearchHotKey(HWND window, uint32_t value);
void UnregisterSearchHotKey(HWND window);

}  // namespace sorvik
