// Several sorvik-cli processes on one work folder: two builds at once, searches while another
// process rebuilds, two processes adding favourites at once. Each test runs a bounded number of
// rounds and prints how many rounds failed before it asserts that none did.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "platform/find.h"
#include "platform/fs.h"
#include "settings/config_store.h"
#include "testing/child_process.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

// SORVIK_CLI_UNDER_TEST names another sorvik-cli for the child processes (an older build, to
// see the failures these tests catch); the in-process searches stay this build's.
const char* OtherProgram() { return std::getenv("SORVIK_CLI_UNDER_TEST"); }

#ifdef _WIN32
constexpr int kBuildRounds = 20;
constexpr int kRebuilds = 40;
constexpr int kFavouritePairs = 20;
constexpr int kSlowReaderRounds = 2;
// The test runs under Wine, where the whole Linux root is drive Z:.
std::string Program() {
  if (OtherProgram() != nullptr) return OtherProgram();
  std::string path = std::string("Z:") + SORVIK_CLI_PATH;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
#else
constexpr int kBuildRounds = 20;
constexpr int kRebuilds = 40;
constexpr int kFavouritePairs = 100;
constexpr int kSlowReaderRounds = 4;
std::string Program() { return OtherProgram() ? OtherProgram() : SORVIK_CLI_PATH; }
#endif

constexpr int kSearchesPerRebuild = 200;
constexpr int kEntries = 300;  // files on the test drive, plus its one folder
// Files for the slow reader: their page (about 130 KB) is more than a pipe holds.
constexpr int kPageEntries = 6000;

// A work folder and a test drive with kEntries files named "file N.txt" under "tree".
class SharedWork {
 public:
  explicit SharedWork(int files = kEntries) : drive_('Q') {
    mapped_ = drive_.Mapped() && CreateFolder(drive_.At("tree"));
    for (int i = 0; mapped_ && i < files; ++i) {
      mapped_ = testing::MakeFile(drive_.At("tree\\file " + std::to_string(i) + ".txt"));
    }
#ifdef _WIN32
    ConfigStore(work_.Join(kConfigFileName)).Set(kConfigIndexPosition, "Q:");
#endif
  }
  bool Ready() const { return mapped_; }
  // Adds a file to the tree; `name` sorts before the others, so the ids of the rest move.
  bool AddFile(const std::string& name) { return testing::MakeFile(drive_.At("tree\\" + name)); }
  std::vector<std::string> Index() const {
    std::vector<std::string> args = {"index", "--work", work_.Path()};
#ifndef _WIN32
    args.push_back("--drive");
    args.push_back("Q:=" + drive_.Folder().Path());
#endif
    return args;
  }
  std::vector<std::string> Work(std::vector<std::string> args) const {
    // After the command words and a favourite's title.
    size_t at = args[0] != "favorites" ? 1 : args[1] == "add" ? 3 : 2;
    args.insert(args.begin() + at, {"--work", work_.Path()});
    return args;
  }
  std::string LiveFile(const std::string& name) const {
    return work_.Join(std::string("NIndex") + testing::kSep + name);
  }
  std::string WorkFile(const std::string& name) const { return work_.Join(name); }
  std::string Output(int n) const { return scratch_.Join("out" + std::to_string(n)); }

 private:
  testing::TestDrive drive_;
  testing::TempFolder work_;
  testing::TempFolder scratch_;
  bool mapped_ = false;
};

// Runs one command in this process: its status and first line of standard output.
int RunHere(const std::vector<std::string>& args, std::string* first_line) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  const int status = RunCli(args, out, err);
  std::rewind(out);
  char line[256] = {0};
  *first_line = std::fgets(line, sizeof line, out) ? line : "";
  if (!first_line->empty() && first_line->back() == '\n') first_line->pop_back();
  std::fclose(out);
  std::fclose(err);
  return status;
}

// Runs one command in this process: its status and whole standard output.
int RunHereWhole(const std::vector<std::string>& args, std::string* output) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  const int status = RunCli(args, out, err);
  std::rewind(out);
  output->clear();
  for (int c; (c = std::fgetc(out)) != EOF;) output->push_back(static_cast<char>(c));
  std::fclose(out);
  std::fclose(err);
  return status;
}

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// Lines of `text` equal to the line before them.
int RepeatedLines(const std::string& text) {
  int repeated = 0;
  std::string previous;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    const size_t tab = line.find('\t');
    const std::string path = tab == std::string::npos ? line : line.substr(tab + 1);
    repeated += path == previous ? 1 : 0;
    previous = path;
  }
  return repeated;
}

// The line "total: N" a search for every ".txt" file gives on a whole index.
std::string WholeTotal() { return "total: " + std::to_string(kEntries); }

TEST(CliProcesses, TwoBuildsAtOnceKeepTheIndex) {
  SharedWork shared;
  ASSERT_TRUE(shared.Ready());
  std::string line;
  ASSERT_EQ(RunHere(shared.Index(), &line), kExitOk);
  int failed_rounds = 0;
  for (int round = 0; round < kBuildRounds; ++round) {
    testing::ChildProcess first, second;
    ASSERT_TRUE(first.Start(Program(), shared.Index(), shared.Output(1)));
    ASSERT_TRUE(second.Start(Program(), shared.Index(), shared.Output(2)));
    const int a = first.Wait();
    const int b = second.Wait();
    // Each run either builds (0) or finds the other one building (1); one of them builds.
    bool ok = (a == kExitOk || a == kExitNoIndex) && (b == kExitOk || b == kExitNoIndex) &&
              (a == kExitOk || b == kExitOk);
    ok = RunHere(shared.Work({"search", ".txt"}), &line) == kExitOk && line == WholeTotal() && ok;
    if (!ok) ++failed_rounds;
  }
  std::printf("two builders: %d rounds, %d failed\n", kBuildRounds, failed_rounds);
  EXPECT_EQ(failed_rounds, 0);
}

TEST(CliProcesses, SearchesWhileAnotherProcessRebuilds) {
  SharedWork shared;
  ASSERT_TRUE(shared.Ready());
  std::string line;
  ASSERT_EQ(RunHere(shared.Index(), &line), kExitOk);
  int searches = 0;
  int failed = 0;
  for (int rebuild = 0; rebuild < kRebuilds; ++rebuild) {
    testing::ChildProcess writer;
    ASSERT_TRUE(writer.Start(Program(), shared.Index(), shared.Output(1)));
    // Searches until the writer is done, at most kSearchesPerRebuild times.
    int status = -1;
    for (int i = 0; i < kSearchesPerRebuild && !writer.Finished(&status); ++i, ++searches) {
      if (RunHere(shared.Work({"search", ".txt"}), &line) != kExitOk || line != WholeTotal()) {
        ++failed;
      }
    }
    if (!writer.Finished(&status)) status = writer.Wait();
    if (status != kExitOk) ++failed;
  }
  // After the last swap the live index is whole.
  EXPECT_TRUE(PathExists(shared.LiveFile("index.dm")));
  EXPECT_TRUE(PathExists(shared.LiveFile("db.txt.mai")));
  std::printf("searcher against a rebuilding writer: %d searches over %d rebuilds, %d failed\n",
              searches, kRebuilds, failed);
  EXPECT_EQ(failed, 0);
}

// A page printed into a pipe that nobody reads while another process rebuilds and swaps the
// index: the page comes whole from the index before or the one after, never a mix, and never a
// path repeated for a row it could not read. Searches and favourites runs print alike.
TEST(CliProcesses, APagePrintedToASlowReaderComesFromOneIndex) {
  SharedWork shared(kPageEntries);
  ASSERT_TRUE(shared.Ready());
  std::string text;
  ASSERT_EQ(RunHere(shared.Index(), &text), kExitOk);
  ASSERT_EQ(RunHere(shared.Work({"favorites", "add", "all", ".txt"}), &text), kExitOk);
  int failed = 0;
  for (int round = 0; round < kSlowReaderRounds; ++round) {
    const std::vector<std::string> page =
        round % 2 == 0 ? shared.Work({"search", "--page-size", "-1", ".txt"})
                       : shared.Work({"favorites", "run", "--page-size", "-1", "1"});
    std::string before, after;
    ASSERT_EQ(RunHereWhole(page, &before), kExitOk);
    testing::ChildProcess reader;
    ASSERT_TRUE(reader.StartPiped(Program(), page));
    // The first line is out: the reader has searched and now fills the pipe, then waits.
    std::string output = reader.ReadOutput(before.find('\n') + 1);
    ASSERT_TRUE(shared.AddFile("aaa " + std::to_string(round) + ".txt"));
    testing::ChildProcess writer;
    ASSERT_TRUE(writer.Start(Program(), shared.Index(), shared.Output(1)));
    const int built = writer.Wait();
    output += reader.ReadOutput();
    const int status = reader.Wait();
    output = WithoutCarriageReturns(output);  // Windows' console text mode ends lines with CR LF
    ASSERT_EQ(RunHereWhole(page, &after), kExitOk);
    // The premise: the swap moved ids, so a mixed page would differ from both.
    EXPECT_NE(before, after);
    const bool whole = status == kExitOk && (output == before || output == after);
    std::printf("slow reader, round %d: status %d, %zu bytes, %d lines repeated, %s\n", round,
                status, output.size(), RepeatedLines(output),
                output == before  ? "the index before"
                : output == after ? "the new index"
                                  : "neither index");
    // Exit 1 with a message would be honest too, but a page read whole needs no failure.
    if (built != kExitOk || !whole) ++failed;
  }
  EXPECT_EQ(failed, 0);
}

TEST(CliProcesses, TwoProcessesAddingFavouritesKeepEveryOne) {
  SharedWork shared;
  int failed_adds = 0;
  for (int pair = 0; pair < kFavouritePairs; ++pair) {
    testing::ChildProcess first, second;
    const std::string n = std::to_string(pair);
    ASSERT_TRUE(
        first.Start(Program(), shared.Work({"favorites", "add", "a" + n, "x"}), shared.Output(1)));
    ASSERT_TRUE(
        second.Start(Program(), shared.Work({"favorites", "add", "b" + n, "y"}), shared.Output(2)));
    if (first.Wait() != kExitOk) ++failed_adds;
    if (second.Wait() != kExitOk) ++failed_adds;
  }
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  EXPECT_EQ(RunCli(shared.Work({"favorites", "list"}), out, err), kExitOk);
  std::rewind(out);
  int listed = 0;
  for (int c; (c = std::fgetc(out)) != EOF;) listed += c == '\n';
  std::fclose(out);
  std::fclose(err);
  std::printf("two favourites writers: %d adds, %d kept, %d failed\n", 2 * kFavouritePairs, listed,
              failed_adds);
  EXPECT_EQ(failed_adds, 0);
  EXPECT_EQ(listed, 2 * kFavouritePairs);
}

// The titles `favorites list` prints, one per favourite.
std::vector<std::string> ListedTitles(const SharedWork& shared) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  RunCli(shared.Work({"favorites", "list"}), out, err);
  std::rewind(out);
  std::vector<std::string> titles;
  char line[512];
  while (std::fgets(line, sizeof line, out) != nullptr) {
    std::string text = line;
    const size_t tab = text.find('\t');
    const size_t second = text.find('\t', tab + 1);
    if (tab != std::string::npos && second != std::string::npos) {
      titles.push_back(text.substr(tab + 1, second - tab - 1));
    }
  }
  std::fclose(out);
  std::fclose(err);
  return titles;
}

// Five writers at once, with the lock and with a lock file that cannot be opened: every add
// that said it succeeded is in the file, every one that said it failed is not.
TEST(CliProcesses, FiveFavouritesWritersAndAnUnusableLock) {
  SharedWork shared;
  constexpr int kWriters = 5;
  constexpr int kRounds = 8;
  const std::string folder = shared.WorkFile("NFavorite");
  ASSERT_TRUE(CreateFolder(folder));
  const std::string lock = folder + testing::kSep + "Favorite.xml.lock";
  int succeeded_missing = 0, failed_present = 0, succeeded = 0, refused = 0;
  for (int usable = 1; usable >= 0; --usable) {
    if (!usable) {
      RemoveFile(lock);
#ifdef _WIN32
      ASSERT_TRUE(CreateFolder(lock));  // a folder cannot be opened as the lock file
#else
      ASSERT_EQ(::symlink("/nonexistent/sorvik/lock", lock.c_str()), 0);  // dangling
#endif
    }
    for (int round = 0; round < kRounds; ++round) {
      std::vector<std::string> titles;
      std::vector<int> statuses(kWriters, -1);
      {
        testing::ChildProcess writers[kWriters];
        for (int w = 0; w < kWriters; ++w) {
          titles.push_back("u" + std::to_string(usable) + "r" + std::to_string(round) + "w" +
                           std::to_string(w));
          ASSERT_TRUE(writers[w].Start(Program(), shared.Work({"favorites", "add", titles[w], "x"}),
                                       shared.Output(w)));
        }
        for (int w = 0; w < kWriters; ++w) statuses[w] = writers[w].Wait();
      }
      const std::vector<std::string> listed = ListedTitles(shared);
      for (int w = 0; w < kWriters; ++w) {
        const bool present = std::find(listed.begin(), listed.end(), titles[w]) != listed.end();
        if (statuses[w] == kExitOk) ++succeeded;
        if (statuses[w] == kExitNoIndex) ++refused;
        if (statuses[w] == kExitOk && !present) ++succeeded_missing;
        if (statuses[w] != kExitOk && present) ++failed_present;
        // Without the lock no add may claim success.
        if (!usable) {
          EXPECT_EQ(statuses[w], kExitNoIndex) << titles[w];
        }
      }
    }
  }
  std::printf(
      "five favourites writers: %d adds, %d succeeded, %d refused, %d succeeded but "
      "missing, %d failed but present\n",
      2 * kRounds * kWriters, succeeded, refused, succeeded_missing, failed_present);
  EXPECT_EQ(succeeded_missing, 0);
  EXPECT_EQ(failed_present, 0);
  EXPECT_EQ(succeeded, kRounds * kWriters);  // all of those with the lock
  EXPECT_EQ(ListedTitles(shared).size(), static_cast<size_t>(kRounds * kWriters));
  // No temporary file is left behind, whoever wrote it.
  FindRecord record;
  const intptr_t find = FindFirstEntry(folder + "\\Favorite.xml.*tmp", &record);
  if (find != kInvalidFind) FindCloseEntry(find);
  EXPECT_EQ(find, kInvalidFind) << record.name;
}

}  // namespace
}  // namespace sorvik
