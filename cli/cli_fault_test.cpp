// sorvik-cli index on a disk that fails part way through the build: exit status 1, and the index
// of the last build that succeeded answers as before.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "index/snapshot_test_support.h"
#include "settings/config_store.h"
#include "testing/fault_injection.h"

namespace sorvik {
namespace {

// Runs one command line; returns the exit status and the first line of standard output.
int RunCommand(const std::vector<std::string>& args, std::string* first_line = nullptr) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  const int status = RunCli(args, out, err);
  std::rewind(out);
  char line[256] = {0};
  if (first_line != nullptr) {
    *first_line = std::fgets(line, sizeof line, out) ? line : "";
    if (!first_line->empty() && first_line->back() == '\n') first_line->pop_back();
  }
  std::fclose(out);
  std::fclose(err);
  return status;
}

TEST(CliFaults, AFailedIndexRunKeepsThePreviousIndex) {
  testing::TestDrive drive('I');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("report.doc")));
  ASSERT_TRUE(testing::MakeFile(drive.At("other.txt")));
  testing::TempFolder work;
#ifdef _WIN32
  ConfigStore(work.Join(kConfigFileName)).Set(kConfigIndexPosition, "I:");
  const std::vector<std::string> index = {"index", "--work", work.Path()};
#else
  const std::vector<std::string> index = {"index", "--work", work.Path(), "--drive",
                                          "I:=" + drive.Folder().Path()};
#endif
  const std::vector<std::string> search = {"search", "--work", work.Path(), "report"};
  uint32_t writes = 0;
  {  // a run that succeeds, counted
    testing::FailingDisk counter;
    ASSERT_EQ(RunCommand(index), kExitOk);
    writes = counter.writes;
  }
  std::string total;
  ASSERT_EQ(RunCommand(search, &total), kExitOk);
  EXPECT_EQ(total, "total: 1");
  ASSERT_TRUE(testing::MakeFile(drive.At("report 2.doc")));
  {  // the disk fills half way through the next run: it fails and replaces nothing
    testing::FailingDisk disk;
    disk.full_from = writes / 2;
    EXPECT_EQ(RunCommand(index), kExitNoIndex);
  }
  EXPECT_EQ(RunCommand(search, &total), kExitOk);
  EXPECT_EQ(total, "total: 1");
  {  // the next run that succeeds finds the new file
    ASSERT_EQ(RunCommand(index), kExitOk);
    EXPECT_EQ(RunCommand(search, &total), kExitOk);
    EXPECT_EQ(total, "total: 2");
  }
}

}  // namespace
}  // namespace sorvik
