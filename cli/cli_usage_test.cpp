// sorvik-cli as scripts use it: options in any place before "--", usage errors that write
// nothing, help and version, and the search output for scripts (--count, --paths, -0).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

CliOptions Parsed(const std::vector<std::string>& args) {
  CliOptions options;
  std::string error;
  EXPECT_TRUE(ParseCliArgs(args, &options, &error)) << error;
  return options;
}

std::string ErrorOf(const std::vector<std::string>& args) {
  CliOptions options;
  std::string error;
  EXPECT_FALSE(ParseCliArgs(args, &options, &error)) << args.back();
  return error;
}

TEST(CliOptions, OptionsGoAnywhereBeforeTheDoubleDash) {
  // Before the command, between keywords, in "--name=value" form.
  CliOptions options = Parsed({"--work", "W", "search", "ab", "--hidden", "cd", "--page=2", "ef"});
  EXPECT_EQ(options.command, CliCommand::kSearch);
  EXPECT_EQ(options.work, "W");
  EXPECT_EQ(options.keywords, "ab cd ef");
  EXPECT_TRUE(options.hidden_only);
  EXPECT_EQ(options.page, 2);
  // favorites add: the first word that is not an option is the title, wherever it stands.
  options = Parsed({"favorites", "add", "--work", "DIR", "title", "--category", "documents", "--",
                    "--kw", "two"});
  EXPECT_EQ(options.command, CliCommand::kFavoritesAdd);
  EXPECT_EQ(options.work, "DIR");
  EXPECT_EQ(options.title, "title");
  EXPECT_EQ(options.keywords, "--kw two");
  EXPECT_EQ(options.category, 3);
  options = Parsed({"favorites", "add", "--", "-t", "kw"});
  EXPECT_EQ(options.title, "-t");
  EXPECT_EQ(options.keywords, "kw");
  // favorites run: the number after the options; the search output options apply to it too.
  options = Parsed({"favorites", "--page-size", "-1", "run", "--paths", "-0", "3"});
  EXPECT_EQ(options.favorite, 3);
  EXPECT_EQ(options.page_size, -1);
  EXPECT_TRUE(options.paths_only);
  EXPECT_EQ(options.line_end, '\0');
  options = Parsed({"search", "--null", "--count", "x"});
  EXPECT_TRUE(options.count_only);
  EXPECT_EQ(options.line_end, '\0');
  // The last of a repeated option counts; --drive collects.
  options = Parsed({"index", "--work", "a", "--work", "b", "--drive", "c:=/x", "--drive=D:=/y"});
  EXPECT_EQ(options.work, "b");
  ASSERT_EQ(options.drives.size(), 2u);
  EXPECT_EQ(options.drives[0].first, 'C');
  EXPECT_EQ(options.drives[1].second, "/y");
}

TEST(CliOptions, EveryMistakeIsAUsageErrorNamingIt) {
  EXPECT_EQ(ErrorOf({"search", "-x", "kw"}), "unknown option -x");
  EXPECT_EQ(ErrorOf({"favorites", "add", "--wrok", "DIR", "t"}), "unknown option --wrok");
  EXPECT_EQ(ErrorOf({"search", "kw", "--work"}), "--work needs a value");
  EXPECT_EQ(ErrorOf({"search", "--location", "--hidden", "kw"}), "--location needs a value");
  EXPECT_EQ(ErrorOf({"search", "--work=", "kw"}), "--work needs a folder");
  EXPECT_EQ(ErrorOf({"search", "--hidden=1"}), "--hidden takes no value");
  EXPECT_EQ(ErrorOf({"search", "--page-size", "-2"}), "--page-size takes a positive count or -1");
  EXPECT_EQ(ErrorOf({"search", "--month", "13", "--year", "2000"}), "--month takes 1..12");
  EXPECT_EQ(ErrorOf({"search", "--count", "--paths"}), "--count and --paths do not go together");
  EXPECT_EQ(ErrorOf({"search", "--sort", "big", "x"}),
            "--sort takes none, name, folder, time or size");
  EXPECT_EQ(ErrorOf({"search", "--desc", "x"}), "--desc needs --sort");
  EXPECT_EQ(ErrorOf({"favorites", "run", "--sort", "name", "1"}),
            "--sort does not go with favorites run");
  EXPECT_EQ(ErrorOf({"favorites", "add", "t", "--count"}),
            "--count does not go with favorites add");
  EXPECT_EQ(ErrorOf({"favorites", "list", "extra"}), "unexpected argument 'extra'");
  EXPECT_EQ(ErrorOf({"favorites", "run", "--page", "2"}),
            "favorites run needs a favourite number from 1");
  // The usage shown with an error is the command's own.
  CliOptions options;
  std::string error;
  EXPECT_FALSE(ParseCliArgs({"favorites", "run", "x"}, &options, &error));
  EXPECT_EQ(options.usage, kUsageRun);
}

TEST(Cli, HelpAndVersionGoToStandardOutput) {
  CliRun tool({"--help"});
  EXPECT_EQ(tool.status, kExitOk);
  EXPECT_EQ(tool.out, CliUsage());
  EXPECT_TRUE(tool.err.empty());
  for (const char* help : {"-h", "--help"}) {
    CliRun search({"search", "kw", help});
    EXPECT_EQ(search.status, kExitOk);
    EXPECT_EQ(search.out, CliUsage(kUsageSearch));
    EXPECT_NE(search.out.find("--count"), std::string::npos);
    EXPECT_EQ(search.out.find("sorvik-cli index"), std::string::npos);
  }
  // Help wins over the mistakes of the line it stands in.
  CliRun add({"favorites", "add", "--bogus", "-h"});
  EXPECT_EQ(add.status, kExitOk);
  EXPECT_EQ(add.out, CliUsage(kUsageAdd));
  EXPECT_EQ(CliRun({"index", "--help"}).out, CliUsage(kUsageIndex));
  EXPECT_EQ(CliRun({"favorites", "--help"}).out, CliUsage(kUsageFavorites));
  CliRun version({"--version"});
  EXPECT_EQ(version.status, kExitOk);
  EXPECT_EQ(version.out, std::string("sorvik-cli ") + kCliVersion + "\n");
  EXPECT_EQ(std::string(kCliVersion), "1.3.4");
  // The publisher's commands answer help the same way, before any of their own words.
  for (const std::vector<std::string>& line : {std::vector<std::string>{"publish", "--help"},
                                               {"publish", "-h"},
                                               {"publish", "sign", "--help"},
                                               {"publish", "notices", "a", "-h", "b"}}) {
    CliRun help(line);
    EXPECT_EQ(help.status, kExitOk) << line[1];
    EXPECT_NE(help.out.find("sorvik-cli publish sign"), std::string::npos) << line[1];
    EXPECT_TRUE(help.err.empty()) << help.err;
  }
  CliRun bare({"publish"});
  EXPECT_EQ(bare.status, kExitUsage);
  EXPECT_TRUE(bare.out.empty());
  EXPECT_NE(bare.err.find("sorvik-cli publish sign"), std::string::npos);
}

TEST(Cli, AMistypedOptionWritesNothing) {
  testing::TempFolder work;
  const std::string dir = ToConsoleForTest(work.Path());
  const std::string report = ToConsoleForTest("\xB1\xA8\xB8\xE6");  // 报告
  const std::string own_favorites = ExecutableFolder() + "NFavorite";
  const bool had_own = PathExists(own_favorites);
  CliRun wrong({"favorites", "add", "--wrok", dir, report, "--", report});
  EXPECT_EQ(wrong.status, kExitUsage);
  EXPECT_TRUE(wrong.out.empty());
  // One line naming the option, then the command's usage.
  EXPECT_EQ(wrong.err, "sorvik-cli: unknown option --wrok\n" + CliUsage(kUsageAdd));
  EXPECT_FALSE(PathExists(work.Join("NFavorite")));
  EXPECT_EQ(PathExists(own_favorites), had_own);
  CliRun range({"favorites", "add", "--work", dir, "--year", "3000", report});
  EXPECT_EQ(range.status, kExitUsage);
  EXPECT_EQ(range.err.substr(0, range.err.find('\n')), "sorvik-cli: --year takes 1901..2155");
  EXPECT_FALSE(PathExists(work.Join("NFavorite")));
  // The line a new user types: title 报告, keywords 报告, in DIR.
  CliRun added({"favorites", "add", "--work", dir, report, "--", report});
  ASSERT_EQ(added.status, kExitOk) << added.err;
  EXPECT_TRUE(PathExists(work.Join("NFavorite")));
  EXPECT_EQ(PathExists(own_favorites), had_own);
  EXPECT_EQ(CliRun({"favorites", "list", "--work", dir}).out,
            "1\t" + report + "\t" + report + "\n");
  CliRun past({"favorites", "run", "--work", dir, "2"});
  EXPECT_EQ(past.status, kExitUsage);
  EXPECT_NE(past.err.find("usage:"), std::string::npos);
}

// A work folder indexed over a test drive with four matches of "report" among five entries.
class CliSearchOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.Mapped());
    ASSERT_TRUE(CreateFolder(drive_.At("Music")));
    for (const char* name : {"Music\\song report.mp3", "report.doc", "report two.txt", "b.txt"}) {
      ASSERT_TRUE(testing::MakeFile(drive_.At(name)));
    }
    ASSERT_NO_FATAL_FAILURE(Index());
  }
  void Index() {
#ifdef _WIN32
    ConfigStore(work_.Join(kConfigFileName)).Set(kConfigIndexPosition, "R:");
    CliRun run({"index", "--work", dir_});
#else
    CliRun run({"index", "--work", dir_, "--drive", "R:=" + drive_.Folder().Path()});
#endif
    ASSERT_EQ(run.status, kExitOk) << run.err;
  }
  // What --paths prints for the program path `path` of drive R: (Linux: the native path).
  std::string Printed(std::string path) const {
#ifndef _WIN32
    path = drive_.Folder().Path() + "/" + path.substr(3);
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
#endif
    return path;
  }
  CliRun Search(std::vector<std::string> args) {
    args.insert(args.begin(), {"search", "--work", dir_});
    return CliRun(args);
  }

  testing::TestDrive drive_{'R'};
  testing::TempFolder work_;
  const std::string dir_ = ToConsoleForTest(work_.Path());
};

TEST_F(CliSearchOutput, CountPathsAndNullCombineWithPaging) {
  EXPECT_EQ(Search({"report", "--count"}).out, "3\n");
  EXPECT_EQ(Search({"--count", "-0", "--page", "9", "report"}).out, std::string("3\0", 2));
  CliRun all = Search({"--paths", "--page-size", "-1", "report"});
  const std::vector<std::string> paths = all.Lines();
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0].find(Printed("R:\\")), 0u);  // full paths, no ids, no total
  CliRun full = Search({"report", "--page-size", "-1"});
  std::vector<std::string> lines = full.Lines();
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < paths.size(); ++i) {
    // The ID lines keep the program's form with its drive letter.
    EXPECT_EQ(lines[i + 1].find("\tR:\\"), lines[i + 1].find('\t'));
    EXPECT_EQ(Printed(lines[i + 1].substr(lines[i + 1].find('\t') + 1)), paths[i]);
  }
  // -0 ends every printed entry with a NUL and prints no newline.
  CliRun nul = Search({"-0", "--paths", "report", "--page-size", "2", "--page", "2"});
  EXPECT_EQ(nul.out.find('\n'), std::string::npos);
  EXPECT_EQ(nul.Lines('\0'), std::vector<std::string>{paths[2]});
  CliRun nul_ids = Search({"--null", "report"});
  std::vector<std::string> records = nul_ids.Lines('\0');
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0], "total: 3");
  EXPECT_EQ(records[1], lines[1]);
  // The same through a favourite.
  ASSERT_EQ(CliRun({"favorites", "add", "--work", dir_, "r", "report"}).status, kExitOk);
  EXPECT_EQ(CliRun({"favorites", "run", "1", "--work", dir_, "--count"}).out, "3\n");
  EXPECT_EQ(CliRun({"favorites", "run", "--paths", "1", "--work", dir_, "--page-size", "-1"}).out,
            all.out);
}

TEST_F(CliSearchOutput, SortOrdersTheWholeAnswerBeforeItIsPaged) {
  testing::WriteText(drive_.At("report.doc"), std::string(300, 'x'));
  testing::WriteText(drive_.At("report two.txt"), std::string(20, 'x'));
  ASSERT_NO_FATAL_FAILURE(Index());
  const std::string big = Printed("R:\\report.doc");
  const std::string mid = Printed("R:\\report two.txt");
  const std::string none = Printed("R:\\Music\\song report.mp3");
  EXPECT_EQ(Search({"--sort", "size", "--paths", "--page-size", "-1", "report"}).Lines(),
            (std::vector<std::string>{none, mid, big}));
  EXPECT_EQ(Search({"--sort=size", "--desc", "--paths", "--page-size", "1", "report"}).Lines(),
            std::vector<std::string>{big});
  EXPECT_EQ(
      Search({"--sort", "size", "--desc", "--paths", "--page-size", "1", "--page", "2", "report"})
          .Lines(),
      std::vector<std::string>{mid});
  // Names compare byte by byte with letters folded: " " before ".".
  EXPECT_EQ(Search({"--sort", "name", "--paths", "--page-size", "-1", "report"}).Lines(),
            (std::vector<std::string>{mid, big, none}));
  EXPECT_EQ(Search({"--sort", "folder", "--desc", "--paths", "--page-size", "1", "report"}).Lines(),
            std::vector<std::string>{none});
  // The total and the index's order are those of an unsorted search.
  EXPECT_EQ(Search({"--sort", "time", "--count", "report"}).out, "3\n");
  EXPECT_EQ(Search({"--sort", "none", "--paths", "report"}).out, Search({"--paths", "report"}).out);
}

}  // namespace
}  // namespace sorvik
