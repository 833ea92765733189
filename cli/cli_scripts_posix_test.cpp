// sorvik-cli as scripts on Linux use it: started with standard descriptors closed or on a full
// disk, and --paths feeding other programs (the README's `--paths -0 | xargs -0 ls -l`).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Where a descriptor of the child goes: nowhere (closed) or a file opened for writing.
struct Std {
  int fd;
  const char* file;  // null: closed
};

// Runs the real sorvik-cli with `args` and descriptors 0-2 as `descriptors` say (standard error
// on /dev/null unless they name it, the rest inherited); its exit status, or -1.
int RunProgram(const std::vector<std::string>& args, const std::vector<Std>& descriptors) {
  std::vector<char*> argv = {const_cast<char*>(SORVIK_CLI_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // unless told
  for (const Std& d : descriptors) {
    if (d.file == nullptr) {
      posix_spawn_file_actions_addclose(&actions, d.fd);
    } else {
      posix_spawn_file_actions_addopen(&actions, d.fd, d.file, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
  }
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, SORVIK_CLI_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failed != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Runs `command` with /bin/sh; its exit status and standard output.
int RunShell(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  output->clear();
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output->append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool MakeNativeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  return fd >= 0 && ::close(fd) == 0;
}

// A work folder indexed over a drive folder holding `names` (native, relative; "/" ends a folder).
class ScriptWork {
 public:
  explicit ScriptWork(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const std::string path = drive_.Path() + "/" + name;
      ready_ =
          (name.back() == '/' ? ::mkdir(path.c_str(), 0755) == 0 : MakeNativeFile(path)) && ready_;
    }
    ready_ =
        ready_ && CliRun({"index", "--work", Dir(), "--drive", "M:=" + Drive()}).status == kExitOk;
  }
  bool Ready() const { return ready_; }
  std::string Dir() const { return work_.Path(); }
  std::string Drive() const { return drive_.Path(); }
  std::string Lock(const std::string& name) const { return work_.Join(name); }

 private:
  testing::TempFolder drive_;
  testing::TempFolder work_;
  bool ready_ = true;
};

TEST(CliScripts, ClosedOrFullStandardOutputIsAFailure) {
  ScriptWork work({"report one.txt", "report two.txt"});
  ASSERT_TRUE(work.Ready());
  const std::vector<std::string> search = {"search", "--work", work.Dir(), "report"};
  const std::string scratch = work.Lock("out.txt");
  {  // a control: the same search into a file succeeds
    EXPECT_EQ(RunProgram(search, {{1, scratch.c_str()}}), 0);
    EXPECT_EQ(testing::ReadText(scratch).find("total: 2\n"), 0u);
  }
  const std::vector<uint8_t> counter = testing::ReadBytes(work.Lock("NIndex.lock"));
  {  // standard output closed (then all three): exit 1, and the results go into no file
    EXPECT_EQ(RunProgram(search, {{1, nullptr}}), 1);
    EXPECT_EQ(RunProgram(search, {{0, nullptr}, {1, nullptr}, {2, nullptr}}), 1);
    EXPECT_EQ(testing::ReadBytes(work.Lock("NIndex.lock")), counter);
    ASSERT_EQ(CliRun({"favorites", "add", "--work", work.Dir(), "r", "report"}).status, kExitOk);
    EXPECT_EQ(RunProgram({"favorites", "list", "--work", work.Dir()}, {{1, nullptr}}), 1);
  }
  {  // a build with standard output and error closed: built, its progress in no lock file
    EXPECT_EQ(RunProgram({"index", "--work", work.Dir()}, {{1, nullptr}, {2, nullptr}}), 0);
    EXPECT_EQ(testing::ReadBytes(work.Lock("ScanTemp.lock")).size(), 0u);
    EXPECT_EQ(testing::ReadBytes(work.Lock("NIndex.lock")).size(), counter.size());
    EXPECT_NE(testing::ReadBytes(work.Lock("NIndex.lock")), counter);  // one swap more
    CliRun after(search);
    EXPECT_EQ(after.status, kExitOk);
    EXPECT_EQ(after.out.find("total: 2\n"), 0u);
  }
  {  // help and version that cannot be written fail like results do
    for (const std::vector<std::string>& line : {std::vector<std::string>{"--help"},
                                                 {"--version"},
                                                 {"search", "-h"},
                                                 {"publish", "--help"},
                                                 {"publish", "sign", "--help"}}) {
      EXPECT_EQ(RunProgram(line, {{1, "/dev/full"}}), 1) << line[0];
      EXPECT_EQ(RunProgram(line, {{1, nullptr}}), 1) << line[0];
      EXPECT_EQ(RunProgram(line, {{1, scratch.c_str()}}), 0) << line[0];
    }
    EXPECT_EQ(RunProgram(search, {{1, "/dev/full"}}), 1);
  }
}

TEST(CliScripts, PathsAreNativeAndInexactOnesAreNamed) {
  // 报告 in UTF-8; 한 and 국 are no GBK characters, so both names below read as "报告 ?.txt".
  const std::string report = "\xE6\x8A\xA5\xE5\x91\x8A";
  const std::vector<std::string> exact = {
      report + " one.txt",
      report + " folder/",
      report + " folder/" + report + " inside.txt",
      report + " \xEB\xB3\xB4/",                                 // a folder that lost a character
      report + " \xEB\xB3\xB4/" + report + " \xEB\xB3\xB4.txt",  // and a file in it likewise
      report + "\nline.txt",                                     // a control character
      report + " \xFF byte.txt",                                 // a byte that is no UTF-8
      report + " why?.txt",                                      // a real "?"
  };
  const std::vector<std::string> twins = {report + " \xED\x95\x9C.txt",
                                          report + " \xEA\xB5\xAD.txt"};
  std::vector<std::string> names = exact;
  names.insert(names.end(), twins.begin(), twins.end());
  ScriptWork work(names);
  ASSERT_TRUE(work.Ready());
  {  // every entry by its native path, the twins left out and named on standard error
    CliRun run({"search", "--work", work.Dir(), "--paths", "-0", "--page-size", "-1", report});
    EXPECT_EQ(run.status, kExitInexact);
    std::vector<std::string> printed = run.Lines('\0');
    std::vector<std::string> expected;
    for (std::string name : exact) {
      if (name.back() == '/') name.pop_back();
      expected.push_back(work.Drive() + "/" + name);
    }
    std::sort(printed.begin(), printed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(printed, expected);
    size_t named = 0;
    for (size_t at = 0; (at = run.err.find("inexact: ", at)) != std::string::npos; ++at) ++named;
    EXPECT_EQ(named, 2u) << run.err;
    EXPECT_NE(run.err.find("M:\\" + report + " ?.txt"), std::string::npos) << run.err;
  }
  {  // without --paths the lines keep the program's form, every entry listed, exit 0
    CliRun run({"search", "--work", work.Dir(), "--page-size", "-1", report});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out.find("total: " + std::to_string(names.size()) + "\n"), 0u);
    EXPECT_NE(run.out.find("\tM:\\" + report + " one.txt\n"), std::string::npos);
  }
  {  // the README's example: every path printed reaches ls
    for (const std::string& twin : twins)
      ASSERT_EQ(::unlink((work.Drive() + "/" + twin).c_str()), 0);
    ASSERT_EQ(CliRun({"index", "--work", work.Dir()}).status, kExitOk);
    std::string listing;
    const std::string line = Quoted(SORVIK_CLI_PATH) + " search --work " + Quoted(work.Dir()) +
                             " --paths -0 --page-size -1 " + report + " | xargs -0 ls -l";
    EXPECT_EQ(RunShell(line, &listing), 0) << listing;  // xargs: 123 when ls missed a path
    for (const char* name : {" one.txt", " inside.txt", " why?.txt", " \xFF byte.txt"})
      EXPECT_NE(listing.find(report + name), std::string::npos) << name;
  }
}

TEST(CliScripts, MessagesNameTheFavouritesFileByItsRealPath) {
  testing::TempFolder work;
  const std::string file = work.Path() + "/NFavorite/Favorite.xml";
  ASSERT_EQ(CliRun({"favorites", "add", "t", "--work", work.Path(), "x"}).status, kExitOk);
  testing::WriteText(file, "<?xml version=\"1.0\" ?><favorite><item");  // cut short
  CliRun list({"favorites", "list", "--work", work.Path()});
  EXPECT_EQ(list.status, kExitNoIndex);
  EXPECT_NE(list.err.find(file + " could not be read"), std::string::npos) << list.err;
  CliRun add({"favorites", "add", "u", "--work", work.Path(), "y"});
  EXPECT_NE(add.err.find(file + ".bad"), std::string::npos) << add.err;
  for (const CliRun* run : {&list, &add})
    EXPECT_EQ(run->err.find(".\\NFavorite"), std::string::npos) << run->err;
}

}  // namespace
}  // namespace sorvik
