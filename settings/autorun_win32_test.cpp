// The logon Run value: the machine's where it may be written, the user's own otherwise.
#include "settings/autorun_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/autorun.h"

namespace sorvik {
namespace {

constexpr char kTestRoot[] = "Software\\SorvikAutorunTest";

// A key below the test root standing for one root key; removed with the root.
HKEY TestKey(const char* name) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kTestRoot) + "\\" + name).c_str(), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

std::string RunValue(HKEY root) {
  HKEY run = nullptr;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_READ, &run) != ERROR_SUCCESS) return std::string();
  char data[600] = {0};
  DWORD size = sizeof data - 1;
  const LONG read =
      RegQueryValueExA(run, kRunValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(run);
  return read == ERROR_SUCCESS ? std::string(data) : std::string();
}

// Deletes the test root: the Run key's chain below each stand-in root, deepest first.
void RemoveTestKeys() {
  for (const char* root : {"machine", "user"}) {
    std::string chain = std::string(kTestRoot) + "\\" + root + "\\" + kRunKey;
    for (;;) {
      RegDeleteKeyA(HKEY_CURRENT_USER, chain.c_str());
      const size_t slash = chain.rfind('\\');
      if (slash == std::string::npos || chain.size() <= std::string(kTestRoot).size()) break;
      chain.resize(slash);
    }
  }
}

TEST(Autorun, MachineValueElseTheUsersOwn) {
  HKEY machine = TestKey("machine"), user = TestKey("user");
  ASSERT_NE(machine, nullptr);
  ASSERT_NE(user, nullptr);
  char module[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  {
    // The machine's key can be written: the value goes there only.
    EXPECT_TRUE(SetAutorunIn(machine, user, true));
    EXPECT_EQ(RunValue(machine), AutorunCommand(module));
    EXPECT_EQ(RunValue(user), "");
    EXPECT_TRUE(SetAutorunIn(machine, user, false));
    EXPECT_EQ(RunValue(machine), "");
  }
  {
    // It cannot (here: a root no call can write below): the user's own key takes the value,
    // and turning auto-start off removes it there (the machine's removal failing).
    const HKEY closed = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xDEAD0000));
    EXPECT_TRUE(SetAutorunIn(closed, user, true));
    EXPECT_EQ(RunValue(user), AutorunCommand(module));
    EXPECT_FALSE(SetAutorunIn(closed, user, false));
    EXPECT_EQ(RunValue(user), "");
  }
  RegCloseKey(machine);
  RegCloseKey(user);
  RemoveTestKeys();
}

}  // namespace
}  // namespace sorvik
