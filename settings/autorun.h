// Starting with the user's logon: the Run value of the program and the "/auto" switch it carries.
#pragma once

#include <string>

namespace sorvik {

class ConfigStore;

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\windows\\currentversion\\run";
constexpr char kRunValueName[] = "Tarnel";
constexpr char kAutoSwitch[] = "/auto";

// The data of the Run value for the executable at `module`: the quoted path, two blanks, "/auto".
std::string AutorunCommand(const std::string& module);
// Writes the Run value under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER when this user may
// not write the machine's; off deletes it under both. Failures are silent.
void SetAutorun(bool on);
// Whether the command line contains "/auto" anywhere.
bool IsAutoStart();
// The start-up rule: when "autorun" is missing or "true", the Run value is (re)written;
// any other value leaves the registry alone.
void ApplyAutorunSetting(ConfigStore* settings);

}  // namespace sorvik
