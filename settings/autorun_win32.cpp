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

}  // namespace

std::string AutorunCommand(const std::string& module) {
  return "\"" + module + "\"  " + kAutoSwitch;
}

void SetAutorun(bool on) {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key);
  if (on) {
    const std::string data = AutorunCommand(ModuleName());
    RegSetValueExA(key, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size()));
  } else {
    RegDeleteValueA(key, kRunValueName);
  }
  if (key != nullptr) RegCloseKey(key);
}

bool IsAutoStart() { return std::strstr(GetCommandLineA(), kAutoSwitch) != nullptr; }

void ApplyAutorunSetting(ConfigStore* settings) {
  std::string value;
  if (!settings->Get(kConfigAutorun, &value) || value == "true") SetAutorun(true);
}

}  // namespace sorvik
