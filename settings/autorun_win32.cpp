#include "settings/autorun_win32.h"

#include <windows.h>

#include <cstring>

#include "settings/autorun.h"
#include "settings/config_store.h"

namespace sorvik {
namespace {

constexpr DWORD kModuleNameLimit = 256;

std::string ModuleName() {
  char module[kModuleNameLimit + 1] = {0};
  GetModuleFileNameA(nullptr, module, kModuleNameLimit);
  return module;
}

// Writes (on) or deletes (off) the Run value under `root`. True when done (a missing value
// counts as deleted).
bool SetAutorunUnder(HKEY root, bool on) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG result = ERROR_SUCCESS;
  if (on) {
    const std::string data = AutorunCommand(ModuleName());
    result =
        RegSetValueExA(key, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size()));
  } else {
    result = RegDeleteValueA(key, kRunValueName);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS || (!on && result == ERROR_FILE_NOT_FOUND);
}

}  // namespace

std::string AutorunCommand(const std::string& module) {
  return "\"" + module + "\"  " + kAutoSwitch;
}

bool SetAutorunIn(HKEY machine, HKEY user, bool on) {
  // The machine-wide value where this user may write it, else the user's own; turning off
  // removes both.
  if (on) return SetAutorunUnder(machine, true) || SetAutorunUnder(user, true);
  const bool machine_gone = SetAutorunUnder(machine, false);
  return SetAutorunUnder(user, false) && machine_gone;
}

void SetAutorun(bool on) { SetAutorunIn(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, on); }

bool IsAutoStart() { return std::strstr(GetCommandLineA(), kAutoSwitch) != nullptr; }

void ApplyAutorunSetting(ConfigStore* settings) {
  std::string value;
  if (!settings->Get(kConfigAutorun, &value) || value == "true") SetAutorun(true);
}

}  // namespace sorvik
