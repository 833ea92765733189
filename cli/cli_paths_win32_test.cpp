// --paths on Windows: the drive form, and an entry whose name the code page lost is named as
// inexact instead of printed with its "?".
#include <gtest/gtest.h>
#include <windows.h>

#include "cli/cli_test_support.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

TEST(CliPaths, DriveFormAndLostNamesNamedAsInexact) {
  testing::TestDrive drive('N');
  ASSERT_TRUE(drive.Mapped());
  const std::string report = "\xB1\xA8\xB8\xE6";  // 报告
  ASSERT_TRUE(testing::MakeFile(drive.At(report + " one.txt")));
  // 报告 한.txt: 한 has no GBK character, so the ANSI listing shows "?".
  std::wstring wide(MAX_PATH, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, drive.At(report).c_str(), -1, &wide[0], MAX_PATH) - 1);
  HANDLE lost = CreateFileW((wide + L" \xD55C.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            0, nullptr);
  ASSERT_NE(lost, INVALID_HANDLE_VALUE);
  CloseHandle(lost);
  testing::TempFolder work;
  ConfigStore(work.Join(kConfigFileName)).Set(kConfigIndexPosition, "N:");
  ASSERT_EQ(CliRun({"index", "--work", work.Path()}).status, kExitOk);
  CliRun run({"search", "--work", work.Path(), "--paths", "-0", "--page-size", "-1", report});
  EXPECT_EQ(run.status, kExitInexact);
  EXPECT_EQ(run.Lines('\0'), std::vector<std::string>{"N:\\" + report + " one.txt"});
  EXPECT_NE(run.err.find("inexact: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("N:\\" + report + " ?.txt"), std::string::npos) << run.err;
  // Without --paths both entries are listed, the lost one in the form the index holds.
  CliRun all({"search", "--work", work.Path(), "--page-size", "-1", report});
  EXPECT_EQ(all.status, kExitOk);
  EXPECT_EQ(all.out.find("total: 2\n"), 0u);
}

}  // namespace
}  // namespace sorvik
