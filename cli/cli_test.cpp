#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "platform/charset.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

TEST(CliOptions, UsageErrors) {
  CliOptions options;
  std::string error;
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"find", "x"},
      {"search", "--bogus"},
      {"search", "--page"},
      {"search", "--page", "0"},
      {"search", "--page-size", "0"},
      {"search", "--month", "3", "x"},
      {"search", "--year", "1800"},
      {"search", "--category", "hidden"},
      {"search", "--drive", "C:=/x"},
      {"index", "--location", "C:"},
      {"index", "--drive", "C:/x"},
      {"index", "stray"},
      {"favorites"},
      {"favorites", "run", "0"},
      {"favorites", "add"},
  };
  for (const auto& args : wrong) {
    EXPECT_FALSE(ParseCliArgs(args, &options, &error)) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(error.empty());
  }
  // Everything after "--" is keywords, options included; words join with single spaces.
  ASSERT_TRUE(ParseCliArgs({"search", "--category", "pictures", "--year", "2008", "--month", "3",
                            "ab", "--", "--hidden", "cd"},
                           &options, &error));
  EXPECT_EQ(options.keywords, "ab --hidden cd");
  EXPECT_EQ(options.category, 2);
  EXPECT_FALSE(options.hidden_only);
  EXPECT_EQ(options.month, 3);
  ASSERT_TRUE(ParseCliArgs({"search", "--page-size", "-1", "--category", "0"}, &options, &error));
  EXPECT_EQ(options.page_size, -1);
  EXPECT_EQ(options.category, 0);
  // A usage error exits with 2 and says why.
  CliRun run({"search", "--nope"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("unknown option --nope"), std::string::npos);
}

TEST(Cli, IndexSearchAndFavourites) {
  testing::TestDrive drive('N');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(CreateFolder(drive.At("Music")));
  ASSERT_TRUE(testing::MakeFile(drive.At("Music\\song report.mp3")));
  ASSERT_TRUE(testing::MakeFile(drive.At("report.doc")));
  ASSERT_TRUE(testing::MakeFile(drive.At("\xD6\xD0\xCE\xC4 report.txt")));  // 中文 report.txt
  ASSERT_TRUE(testing::MakeFile(drive.At("other.txt")));
  testing::TempFolder work;
  const std::string dir = ToConsoleForTest(work.Path());
  {  // no index yet: exit 1
    CliRun run({"search", "--work", dir, "report"});
    EXPECT_EQ(run.status, kExitNoIndex);
    EXPECT_NE(run.err.find("no usable index"), std::string::npos);
  }
  {  // index the drive: on Linux through --drive, on Windows the drive chosen in the settings
#ifdef _WIN32
    ConfigStore settings(work.Join(kConfigFileName));
    settings.Set(kConfigIndexPosition, "N:");
    CliRun run({"index", "--work", dir});
#else
    CliRun run({"index", "--work", dir, "--drive", "N:=" + drive.Folder().Path()});
#endif
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.err.find("indexed 5 entries"), std::string::npos) << run.err;
  }
  {  // "total: N", then one "ID<TAB>PATH" line per match in ascending id order
    CliRun run({"search", "--work", dir, "REPORT"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "total: 3");
    std::vector<std::string> paths;
    uint32_t last_id = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
      size_t tab = lines[i].find('\t');
      ASSERT_NE(tab, std::string::npos);
      uint32_t id = static_cast<uint32_t>(std::stoul(lines[i].substr(0, tab)));
      EXPECT_GT(id, last_id);
      last_id = id;
      paths.push_back(lines[i].substr(tab + 1));
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths[0], "N:\\Music\\song report.mp3");
    EXPECT_EQ(paths[1], "N:\\report.doc");
    EXPECT_EQ(paths[2], ToConsoleForTest("N:\\\xD6\xD0\xCE\xC4 report.txt"));
  }
  {  // filters: category, location in another case, a GBK keyword, paging
    EXPECT_EQ(CliRun({"search", "--work", dir, "--category", "documents", "report"}).Lines()[0],
              "total: 1");
    EXPECT_EQ(CliRun({"search", "--work", dir, "--location", "n:\\music"}).Lines()[0], "total: 1");
    EXPECT_EQ(CliRun({"search", "--work", dir, ToConsoleForTest("\xD6\xD0\xCE\xC4")}).Lines()[0],
              "total: 1");
    EXPECT_EQ(CliRun({"search", "--work", dir, "--year", "1999"}).Lines()[0], "total: 0");
    CliRun page2({"search", "--work", dir, "--page", "2", "--page-size", "2", "report"});
    EXPECT_EQ(page2.Lines().size(), 2u);  // the total and the third match
    EXPECT_EQ(CliRun({"search", "--work", dir, "--page-size", "-1"}).Lines().size(), 6u);
  }
  {  // --pinyin: "zw" finds the name starting with zhong wen, and only with the switch
    EXPECT_EQ(CliRun({"search", "--work", dir, "zw"}).Lines()[0], "total: 0");
    CliRun run({"search", "--work", dir, "--pinyin", "zw"});
    ASSERT_EQ(run.Lines().size(), 2u);
    EXPECT_NE(run.Lines()[1].find(ToConsoleForTest("\xD6\xD0\xCE\xC4 report")), std::string::npos);
    EXPECT_EQ(CliRun({"favorites", "add", "t", "--work", dir, "--pinyin", "zw"}).status,
              kExitUsage);
  }
  {  // favourites: add, list, run; a number past the list is a usage error
    EXPECT_EQ(CliRun({"favorites", "add", "docs", "--work", dir, "--category", "documents"}).status,
              kExitOk);
    CliRun list({"favorites", "list", "--work", dir});
    EXPECT_EQ(list.out, "1\tdocs\t\n");
    CliRun run({"favorites", "run", "1", "--work", dir});
    EXPECT_EQ(run.Lines()[0], "total: 1");
    EXPECT_EQ(CliRun({"favorites", "run", "2", "--work", dir}).status, kExitUsage);
  }
}

}  // namespace
}  // namespace sorvik
