#include "tools/ps_system.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

// A scan that hangs (as a name query of a pipe with a read pending does) never holds up the
// list: it gets no ports in time, and no second scan piles up behind the stuck one.
TEST(PsSystem, HangingPortScanIsCutOff) {
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  PortMap found;
  found[42] = {{kProtocolTcp, 8080}};
  const PortMap stuck = RunPortScanBounded(
      [release, found] {
        WaitForSingleObject(release, INFINITE);
        return found;
      },
      200);
  EXPECT_TRUE(stuck.empty());
  bool second_ran = false;
  EXPECT_TRUE(RunPortScanBounded(
                  [&second_ran] {
                    second_ran = true;
                    return PortMap();
                  },
                  200)
                  .empty());
  EXPECT_FALSE(second_ran);

  SetEvent(release);
  // Once the stuck scan has ended, scans run again and their result comes back.
  PortMap later;
  for (int attempt = 0; attempt < 50 && later.empty(); ++attempt) {
    Sleep(20);
    later = RunPortScanBounded([found] { return found; }, 2000);
  }
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(FormatPorts(later[42]), "TCP-8080 ");
  CloseHandle(release);
}

TEST(PsSystem, SystemSourceOnThisProcess) {
  SystemProcessSource source;
  char own[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  EXPECT_EQ(_stricmp(source.ImagePath(GetCurrentProcessId()).c_str(), own), 0);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExA(own, GetFileExInfoStandard, &data));
  EXPECT_EQ(source.FileSize(own), data.nFileSizeLow);
  EXPECT_EQ(source.FileSize("C:\\no such folder\\x.exe"), 0u);
  EXPECT_GT(source.WorkingSet(GetCurrentProcessId()), 0u);
  std::vector<ModuleEntry> modules;
  ASSERT_TRUE(source.Modules(GetCurrentProcessId(), &modules));
  EXPECT_EQ(_stricmp(modules[0].path.c_str(), own), 0);  // the executable comes first
  // A process id that does not exist: nothing, and ending it fails.
  EXPECT_EQ(source.ImagePath(0xFFFFFFF0u), "");
  EXPECT_FALSE(source.EndProcess(0xFFFFFFF0u));
}

}  // namespace
}  // namespace sorvik
