// sorvik-cli index --exclude: the options and what a build with them leaves out and keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

TEST(CliOptions, ExcludeIsRepeatableAndChecked) {
  CliOptions options;
  std::string error;
  ASSERT_TRUE(ParseCliArgs(
      {"index", "--exclude", "node_modules", "--exclude=D:\\Backup", "--exclude", "*.cache"},
      &options, &error))
      << error;
  EXPECT_TRUE(options.exclude_given);
  EXPECT_EQ(options.excludes, (std::vector<std::string>{"node_modules", "D:\\Backup", "*.cache"}));
  // Not given: the settings' list is used.
  ASSERT_TRUE(ParseCliArgs({"index"}, &options, &error));
  EXPECT_FALSE(options.exclude_given);
  // Given empty: nothing is left out.
  ASSERT_TRUE(ParseCliArgs({"index", "--exclude="}, &options, &error));
  EXPECT_TRUE(options.exclude_given);
  EXPECT_TRUE(options.excludes.empty());
  // A pattern that cannot be kept in the list, a missing value, another command.
  for (const std::vector<std::string>& line :
       {std::vector<std::string>{"index", "--exclude", "a|b"},
        std::vector<std::string>{"index", "--exclude", "Backup\\old"},
        std::vector<std::string>{"index", "--exclude", "D:\\"},
        std::vector<std::string>{"index", "--exclude"},
        std::vector<std::string>{"search", "--exclude", "x", "word"}}) {
    CliRun run(line);
    EXPECT_EQ(run.status, kExitUsage) << line.back();
    EXPECT_NE(run.err.find("--exclude"), std::string::npos) << run.err;
  }
}

// The entries `search` prints for every name, as "total: N" and the paths.
std::vector<std::string> Everything(const std::string& dir) {
  CliRun run({"search", "--work", dir, "--paths", "--page-size", "-1"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  return run.Lines();
}

TEST(Cli, IndexExcludeLeavesFoldersOutAndIsKept) {
  testing::TestDrive drive('I');
  ASSERT_TRUE(drive.Mapped());
  for (const char* folder : {"src", "src\\node_modules", "src\\node_modules\\dep", "Backup"}) {
    ASSERT_TRUE(CreateFolder(drive.At(folder)));
  }
  for (const char* file : {"src\\main.c", "src\\node_modules\\dep\\x.js", "Backup\\old.doc"}) {
    ASSERT_TRUE(testing::MakeFile(drive.At(file)));
  }
  testing::TempFolder work;
  const std::string dir = ToConsoleForTest(work.Path());
  std::vector<std::string> index = {"index", "--work", dir};
#ifdef _WIN32
  ConfigStore(work.Join(kConfigFileName)).Set(kConfigIndexPosition, "I:");
#else
  index.push_back("--drive");
  index.push_back("I:=" + drive.Folder().Path());
#endif
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> line = index;
    line.insert(line.end(), extra.begin(), extra.end());
    return CliRun(line);
  };
  auto stored = [&] {
    return ConfigStore(work.Join(kConfigFileName)).GetString(kConfigIndexExclude, "(missing)");
  };

  {  // two patterns: each left-out folder is listed, nothing below it
    CliRun run = with({"--exclude", "NODE_MODULES", "--exclude", "i:\\backup"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.err.find("indexed 4 entries"), std::string::npos) << run.err;
    EXPECT_EQ(stored(), "NODE_MODULES|i:\\backup");
    const std::vector<std::string> paths = Everything(dir);
    ASSERT_EQ(paths.size(), 4u);
    for (const std::string& path : paths) {
      EXPECT_EQ(path.find("dep"), std::string::npos) << path;
      EXPECT_EQ(path.find("old.doc"), std::string::npos) << path;
    }
  }
  {  // without --exclude the kept list applies again
    CliRun run = with({});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.err.find("indexed 4 entries"), std::string::npos) << run.err;
    EXPECT_EQ(stored(), "NODE_MODULES|i:\\backup");
  }
  {  // an empty --exclude: nothing left out, and kept as an empty value
    CliRun run = with({"--exclude", ""});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.err.find("indexed 7 entries"), std::string::npos) << run.err;
    EXPECT_EQ(stored(), "");
  }
  {  // a build that is refused keeps the list as it was
#ifdef _WIN32
    ConfigStore(work.Join(kConfigFileName)).Set(kConfigIndexPosition, "J:");
    CliRun run({"index", "--work", dir, "--exclude", "src"});
#else
    CliRun run({"index", "--work", dir, "--drive", "I:=" + drive.Folder().Path() + "/gone",
                "--exclude", "src"});
#endif
    EXPECT_NE(run.status, kExitOk) << run.err;
    EXPECT_EQ(stored(), "");
  }
}

}  // namespace
}  // namespace sorvik
