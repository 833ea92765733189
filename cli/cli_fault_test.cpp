// sorvik-cli index on a disk that fails part way through the build: exit status 1, and the index
// of the last build that succeeded answers as before.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "settings/config_store.h"
#include "testing/fault_injection.h"
#include "testing/snapshot_test_support.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Runs one command line; returns the exit status, the first line of standard output and all
// of standard error.
int RunCommand(const std::vector<std::string>& args, std::string* first_line = nullptr,
               std::string* errors = nullptr) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  const int status = RunCli(args, out, err);
  std::rewind(out);
  char line[256] = {0};
  if (first_line != nullptr) {
    *first_line = std::fgets(line, sizeof line, out) ? line : "";
    if (!first_line->empty() && first_line->back() == '\n') first_line->pop_back();
  }
  std::rewind(err);
  for (int c; errors != nullptr && (c = std::fgetc(err)) != EOF;) errors->push_back(char(c));
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

namespace sorvik {
namespace {

// Takes write access to every file of the live index away, or gives it back.
void SetIndexReadOnly(const std::string& work, bool read_only) {
  const std::string live = work + testing::kSep + "NIndex" + testing::kSep;
  for (const char* name : {"index.mtr", "index.dat", "db.txt", "db.txt.mai", "index.rw", "index.cm",
                           "index.dm", "index.dm.mai"}) {
#ifdef _WIN32
    SetFileAttributesA((live + name).c_str(),
                       read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    ::chmod((live + name).c_str(), read_only ? 0444 : 0644);
#endif
  }
}

// Indexes a drive R: that holds one file, report.doc, into `work`.
void IndexOneReport(const testing::TestDrive& drive, const testing::TempFolder& work) {
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("report.doc")));
#ifdef _WIN32
  ConfigStore(work.Join(kConfigFileName)).Set(kConfigIndexPosition, "R:");
  ASSERT_EQ(RunCommand({"index", "--work", work.Path()}), kExitOk);
#else
  ASSERT_EQ(RunCommand({"index", "--work", work.Path(), "--drive", "R:=" + drive.Folder().Path()}),
            kExitOk);
#endif
}

TEST(CliFaults, AReadOnlyIndexIsSearchable) {
  testing::TestDrive drive('R');
  testing::TempFolder work;
  ASSERT_NO_FATAL_FAILURE(IndexOneReport(drive, work));
  SetIndexReadOnly(work.Path(), true);
  std::string total;
  EXPECT_EQ(RunCommand({"search", "--work", work.Path(), "report"}, &total), kExitOk);
  EXPECT_EQ(total, "total: 1");
  SetIndexReadOnly(work.Path(), false);
}

// A key of the name index whose bitmap marks a position without a cell: the index loads, a
// search that reads no key answers, one that reads the key exits 1 naming it.
TEST(CliFaults, ADamagedKeyFailsTheSearchThatReadsIt) {
  testing::TestDrive drive('R');
  testing::TempFolder work;
  ASSERT_NO_FATAL_FAILURE(IndexOneReport(drive, work));
  const std::string matrix = work.Join("NIndex") + testing::kSep + "index.mtr";
  std::vector<uint8_t> bytes = testing::ReadBytes(matrix);
  ASSERT_GT(bytes.size(), 8u + 65536u * 16u);
  for (size_t key = 0; key < 65536; ++key) {
    uint8_t* bits = &bytes[8 + key * 16];
    if (std::any_of(bits, bits + 16, [](uint8_t b) { return b != 0; })) bits[15] |= 0x80;
  }
  testing::WriteBytes(matrix, bytes);
  std::string total, errors;
  EXPECT_EQ(RunCommand({"search", "--work", work.Path(), "--category", "documents"}, &total),
            kExitOk);
  EXPECT_EQ(total, "total: 1");
  EXPECT_EQ(RunCommand({"search", "--work", work.Path(), "report"}, &total, &errors), kExitNoIndex);
  EXPECT_NE(errors.find("is damaged: the name index's key "), std::string::npos) << errors;
}

TEST(CliFaults, FavouritesThatCannotBeReadOrSaved) {
  testing::TempFolder work;
  const std::string file = work.Join("NFavorite") + testing::kSep + kFavoriteFileName;
  const std::vector<std::string> list = {"favorites", "list", "--work", work.Path()};
  const std::vector<std::string> add = {"favorites", "add", "t", "--work", work.Path(), "x"};
  ASSERT_EQ(RunCommand(add), kExitOk);
  ASSERT_EQ(RunCommand(add), kExitOk);
  {  // a full disk: the add fails with exit 1 and the two saved ones stay
    testing::FailingDisk disk;
    disk.full_from = 1;
    EXPECT_EQ(RunCommand(add), kExitNoIndex);
  }
  std::string first;
  EXPECT_EQ(RunCommand(list, &first), kExitOk);
  EXPECT_EQ(first.substr(0, 2), "1\t");
  {  // cut short: list says so with exit 1 and leaves the file alone
    const std::string whole = testing::ReadText(file);
    testing::WriteText(file, whole.substr(0, whole.size() / 2));
    EXPECT_EQ(RunCommand(list, &first), kExitNoIndex);
    EXPECT_EQ(first, "");
    EXPECT_EQ(RunCommand({"favorites", "run", "1", "--work", work.Path()}), kExitNoIndex);
    EXPECT_EQ(testing::ReadText(file), whole.substr(0, whole.size() / 2));
  }
  {  // the next add keeps it aside before writing a new one
    EXPECT_EQ(RunCommand(add), kExitOk);
    EXPECT_TRUE(PathExists(file + ".bad"));
    EXPECT_EQ(RunCommand(list, &first), kExitOk);
  }
}

#ifndef _WIN32
TEST(CliFaults, TheDriveMapChangesOnlyWithABuildThatWentIn) {
  testing::TestDrive drive('J');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("report.doc")));
  testing::TempFolder work;
  const std::string map = work.Join("drives.map");
  const std::vector<std::string> search = {"search", "--work", work.Path(), "report"};
  auto index = [&](const std::vector<std::string>& drives) {
    std::vector<std::string> args = {"index", "--work", work.Path()};
    args.insert(args.end(), drives.begin(), drives.end());
    return RunCommand(args);
  };
  std::string total;
  ASSERT_EQ(index({"--drive", "J:=" + drive.Folder().Path()}), kExitOk);
  const std::string saved = testing::ReadText(map);
  {  // without --drive the saved drives are walked again
    ASSERT_EQ(index({}), kExitOk);
    EXPECT_EQ(RunCommand(search, &total), kExitOk);
    EXPECT_EQ(total, "total: 1");
    EXPECT_EQ(testing::ReadText(map), saved);
  }
  {  // a missing folder or a letter given twice is a usage error that changes nothing
    EXPECT_EQ(index({"--drive", "D:=/missing/folder"}), kExitUsage);
    EXPECT_EQ(index({"--drive", "J:=" + drive.Folder().Path(), "--drive", "j:=/tmp"}), kExitUsage);
    EXPECT_EQ(testing::ReadText(map), saved);
  }
  {  // a full disk fails the build and keeps the map
    testing::FailingDisk disk;
    disk.full_from = 1;
    EXPECT_EQ(index({"--drive", "K:=" + drive.Folder().Path()}), kExitNoIndex);
    EXPECT_EQ(testing::ReadText(map), saved);
  }
  {  // a relative folder is taken from the current folder, not from the work folder
    ASSERT_TRUE(SetCurrentFolder(drive.Folder().Path()));
    ASSERT_EQ(index({"--drive", "L:=."}), kExitOk);
    EXPECT_NE(testing::ReadText(map).find("L:=" + drive.Folder().Path() + "/."), std::string::npos);
    EXPECT_EQ(RunCommand({"search", "--work", work.Path(), "--location", "L:\\", "report"}, &total),
              kExitOk);
    EXPECT_EQ(total, "total: 1");
  }
}
#endif

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

#ifndef _WIN32
TEST(CliFaults, OutputThatCannotBeWrittenFails) {
  testing::TempFolder work;
  ASSERT_EQ(RunCommand({"favorites", "add", "t", "--work", work.Path(), "x"}), kExitOk);
  FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  FILE* err = std::tmpfile();
  EXPECT_EQ(RunCli({"favorites", "list", "--work", work.Path()}, full, err), kExitNoIndex);
  std::fclose(full);
  std::fclose(err);
}
#endif

TEST(CliFaults, ControlCharactersNeverBreakTheFavouritesColumns) {
  testing::TempFolder work;
  ASSERT_EQ(RunCommand({"favorites", "add", "a\tb\nc\x1b]0;x\x07", "--work", work.Path(), "k\tw"}),
            kExitOk);
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  ASSERT_EQ(RunCli({"favorites", "list", "--work", work.Path()}, out, err), kExitOk);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  std::fclose(err);
  EXPECT_EQ(text, "1\ta?b?c?]0;x?\tk?w\n");
}

TEST(ProgressLine, OneLineRewrittenOnATerminal) {
  const auto shown = [](bool terminal) {
    FILE* out = std::tmpfile();
    {
      ProgressLine line(out, terminal);
      line.Show("walking C:\\a long folder name\r\n");
      line.Show("short");
      line.Show(std::string(300, 'x'));
    }
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    std::fclose(out);
    return text;
  };
  const std::string terminal = shown(true);
  EXPECT_EQ(std::count(terminal.begin(), terminal.end(), '\n'), 1);  // the last one only
  EXPECT_EQ(std::count(terminal.begin(), terminal.end(), '\r'), 3);
  // each rewrite covers the longer text before it, and none is wider than the line
  const size_t second = terminal.find('\r', 1);
  const size_t third = terminal.find('\r', second + 1);
  EXPECT_EQ(third - second, terminal.find('\r', 1) - 0);
  EXPECT_LE(terminal.size() - third, 81u);
  const std::string pipe = shown(false);
  EXPECT_EQ(std::count(pipe.begin(), pipe.end(), '\n'), 3);
  EXPECT_EQ(pipe.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

#ifndef _WIN32
TEST(CliFaults, KeywordsTheIndexCannotHoldAreUsageErrors) {
  testing::TempFolder work;
  for (const std::string& keyword : {std::string("\xED\x95\x9C\xEA\xB5\xAD"),  // Korean
                                     std::string("x\xF0\x9F\x98\x80"),         // an emoji
                                     std::string("bad\xFF")}) {
    EXPECT_EQ(RunCommand({"search", "--work", work.Path(), keyword}), kExitUsage) << keyword;
    EXPECT_EQ(RunCommand({"favorites", "add", "t", "--work", work.Path(), keyword}), kExitUsage);
  }
  EXPECT_FALSE(PathExists(work.Join("NFavorite") + testing::kSep + kFavoriteFileName));
  // Chinese is fine (no index here yet: exit 1, not 2).
  EXPECT_EQ(RunCommand({"search", "--work", work.Path(), "\xE6\x8A\xA5\xE5\x91\x8A"}),
            kExitNoIndex);
}

// A build over fewer drives than the last one would swap in an index without the missing
// drive's entries and say "indexed": refused with exit 1, and the index in place answers.
TEST(CliFaults, AMissingOrDamagedDriveMapNeverEmptiesTheIndex) {
  testing::TempFolder tree;
  ASSERT_TRUE(CreateFolder(tree.Join("drive")));
  ASSERT_TRUE(testing::MakeFile(tree.Join("drive") + "/report.doc"));
  const std::string folder = tree.Join("drive");
  testing::TempFolder work;
  const std::string map = work.Join("drives.map");
  const std::vector<std::string> index = {"index", "--work", work.Path()};
  const std::vector<std::string> search = {"search", "--work", work.Path(), "report"};
  std::string total;
  ASSERT_EQ(RunCommand({"index", "--work", work.Path(), "--drive", "M:=" + folder}), kExitOk);
  const std::string saved = testing::ReadText(map);
  EXPECT_EQ(saved, "M:=" + folder + "\nend:1\n");
  auto kept = [&](const char* what) {
    EXPECT_EQ(RunCommand(search, &total), kExitOk) << what;
    EXPECT_EQ(total, "total: 1") << what;
  };
  {  // missing, empty, cut inside a line, cut before its end line, a count that does not fit
    RemoveFile(map);
    EXPECT_EQ(RunCommand(index), kExitNoIndex);
    kept("missing");
    for (const std::string& damaged :
         {std::string(), saved.substr(0, 5), saved.substr(0, saved.find('\n') + 1),
          saved.substr(0, saved.size() - 1), "M:=" + folder + "\nend:2\n",
          "M:=" + folder + "\nend:1\nM:=" + folder + "\n", "M:=" + folder + "\nM:=/\nend:2\n"}) {
      testing::WriteText(map, damaged);
      EXPECT_EQ(RunCommand(index), kExitNoIndex) << damaged;
      kept(damaged.c_str());
      EXPECT_EQ(testing::ReadText(map), damaged);
    }
  }
  {  // the drive folder moved away: refused, and a search still answers from the old index
    testing::WriteText(map, saved);
    ClearDriveMap();  // the searches above mapped what they could read, in this process
    ASSERT_EQ(std::rename(folder.c_str(), (folder + ".moved").c_str()), 0);
    FILE* err = std::tmpfile();
    FILE* out = std::tmpfile();
    EXPECT_EQ(RunCli(index, out, err), kExitNoIndex);
    std::fclose(out);
    std::rewind(err);
    char message[512] = {0};
    EXPECT_TRUE(std::fgets(message, sizeof message, err) != nullptr);
    EXPECT_NE(std::string(message).find("drive M:"), std::string::npos) << message;
    std::fclose(err);
    kept("moved");
    ASSERT_EQ(std::rename((folder + ".moved").c_str(), folder.c_str()), 0);
    EXPECT_EQ(RunCommand(index), kExitOk);
  }
  if (::geteuid() != 0) {  // a root that cannot be listed fails the build the same way (not
                           // for root, who lists every folder)
    ASSERT_EQ(::chmod(folder.c_str(), 0), 0);
    EXPECT_EQ(RunCommand(index), kExitNoIndex);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    kept("unlistable");
  }
  {  // a folder whose path holds a line feed is a usage error: the map is one drive a line
    ASSERT_TRUE(CreateFolder(tree.Join("two\nlines")));
    EXPECT_EQ(
        RunCommand({"index", "--work", work.Path(), "--drive", "M:=" + tree.Join("two\nlines")}),
        kExitUsage);
    EXPECT_EQ(testing::ReadText(map), saved);
    kept("line feed");
  }
}
#endif

}  // namespace
}  // namespace sorvik
