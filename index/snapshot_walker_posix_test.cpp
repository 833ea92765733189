#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "index/snapshot_walker.h"
#include "platform/charset.h"
#include "platform/progress.h"
#include "testing/recording_progress_sink.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using namespace testing;

std::map<std::string, uint32_t> IdsByPath(const Snapshot& snap) {
  std::map<std::string, uint32_t> ids;
  for (uint32_t id = 1; id <= snap.Count(); ++id) ids[snap.FullPath(id)] = id;
  return ids;
}

// The folder record of entry `id` (0s when none).
FolderRecord FolderOf(const Snapshot& snap, uint32_t id, uint32_t first_folder_record) {
  for (uint32_t r = first_folder_record; r <= snap.FolderCount(); ++r) {
    if (snap.Folder(r).entry == id) return snap.Folder(r);
  }
  return FolderRecord{0, 0, 0, 0};
}

TEST(SnapshotWalkerPosix, LinksLongPathsAndUnlistableFolders) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  const std::string dir = d.Folder().Path();
  ASSERT_TRUE(CreateFolder("D:\\real"));
  ASSERT_TRUE(MakeFile("D:\\real\\inner.txt", 4));
  ASSERT_EQ(::symlink("real", (dir + "/link-to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("real/inner.txt", (dir + "/link-to-file").c_str()), 0);
  ASSERT_EQ(::symlink(".", (dir + "/loop").c_str()), 0);
  // Four levels of 200-byte names: the fourth folder's path passes the walked-path limit.
  std::string path = "D:";
  for (char c : {'a', 'b', 'c', 'd', 'e'}) {
    path += "\\" + std::string(200, c);
    ASSERT_TRUE(CreateFolder(path));
    ASSERT_TRUE(MakeFile(path + "\\f.txt"));
  }
  // A folder whose name GBK cannot hold is recorded with "?" and listed by its native name.
  ASSERT_EQ(::mkdir((dir + "/x\xF0\x9F\x98\x80").c_str(), 0755), 0);
  int fd = ::open((dir + "/x\xF0\x9F\x98\x80/inside.txt").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ::close(fd);

  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    walker->WalkRoot("D:");
  }
  Snapshot snap(build.Path());
  auto ids = IdsByPath(snap);
  // Links are recorded, never followed: a link to a folder is a folder with nothing below.
  {
    ASSERT_EQ(ids.count("D:\\link-to-folder"), 1u);
    EXPECT_TRUE(snap.IsFolder(ids["D:\\link-to-folder"]));
    EXPECT_EQ(FolderOf(snap, ids["D:\\link-to-folder"], 2).count, 0u);
    EXPECT_EQ(ids.count("D:\\link-to-folder\\inner.txt"), 0u);
    EXPECT_EQ(ids.count("D:\\loop\\real"), 0u);
    EXPECT_EQ(snap.Record(ids["D:\\link-to-file"]).Get("S"), "0");
    EXPECT_EQ(ids.count("D:\\real\\inner.txt"), 1u);
  }
  // Long paths: levels up to 794 bytes are walked, the fourth folder is recorded but not
  // walked, and every record fits the 1099-byte read buffer.
  {
    std::string level = "D:";
    for (char c : {'a', 'b', 'c'}) {
      level += "\\" + std::string(200, c);
      EXPECT_EQ(ids.count(level + "\\f.txt"), 1u) << level.size();
    }
    level += "\\" + std::string(200, 'd');
    ASSERT_EQ(ids.count(level), 1u);
    EXPECT_EQ(ids.count(level + "\\f.txt"), 0u);
    EXPECT_EQ(FolderOf(snap, ids[level], 2).count, 0u);
    for (const std::string& text : snap.texts) EXPECT_LE(text.size(), 1099u);
    EXPECT_EQ(snap.EndOffsetOfLast(), snap.db.size());
  }
  // The folder GBK cannot name keeps its recorded name and its entry below.
  {
    ASSERT_EQ(ids.count("D:\\x??"), 1u);
    EXPECT_EQ(FolderOf(snap, ids["D:\\x??"], 2).count, 1u);
    EXPECT_EQ(ids.count("D:\\x??\\inside.txt"), 1u);
  }
}

// Makes a folder or an empty file by its native path under `dir`.
void MakeNative(const std::string& dir, const std::string& relative, bool folder) {
  const std::string path = dir + "/" + relative;
  if (folder) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << relative;
  } else {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << relative;
    ::close(fd);
  }
}

TEST(SnapshotWalkerPosix, EverythingBelowFoldersWhoseNamesLostCharactersIsIndexed) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  const std::string dir = d.Folder().Path();
  const std::string korean = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";  // 한국어
  const std::string han = "\xED\x95\x9C", guk = "\xEA\xB5\xAD";       // 한, 국
  const std::string emoji = "\xF0\x9F\x98\x80";                       // 😀
  const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";             // 中文
  // Native tree: two folders that both read "?_dir", a Korean folder holding an emoji folder
  // and a Chinese one, a folder with a byte that is no UTF-8, one with a line feed.
  const std::vector<std::pair<std::string, bool>> tree = {
      {han + "_dir", true},
      {han + "_dir/a.txt", false},
      {guk + "_dir", true},
      {guk + "_dir/b.txt", false},
      {guk + "_dir/b2.txt", false},
      {korean + "_dir", true},
      {korean + "_dir/one.txt", false},
      {korean + "_dir/" + emoji + "_dir", true},
      {korean + "_dir/" + emoji + "_dir/deep.txt", false},
      {korean + "_dir/" + emoji + "_dir/" + han + ".txt", false},
      {korean + "_dir/" + chinese, true},
      {korean + "_dir/" + chinese + "/" + chinese + ".doc", false},
      {"bad\xff_dir", true},
      {"bad\xff_dir/inner", true},
      {"bad\xff_dir/inner/c.txt", false},
      {"line\nfeed", true},
      {"line\nfeed/d.txt", false},
  };
  for (const auto& entry : tree) MakeNative(dir, entry.first, entry.second);

  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("D:"), tree.size());
  }
  Snapshot snap(build.Path());
  std::multiset<std::string> paths;
  for (uint32_t id = 1; id <= snap.Count(); ++id) paths.insert(snap.FullPath(id));
  const std::string chinese_gbk = "\xD6\xD0\xCE\xC4";
  // Names stay as the code page shows them; each folder holds its own entries.
  const std::multiset<std::string> expected = {
      "D:\\?_dir",
      "D:\\?_dir",
      "D:\\?_dir\\a.txt",
      "D:\\?_dir\\b.txt",
      "D:\\?_dir\\b2.txt",
      "D:\\???_dir",
      "D:\\???_dir\\one.txt",
      "D:\\???_dir\\??_dir",
      "D:\\???_dir\\??_dir\\deep.txt",
      "D:\\???_dir\\??_dir\\?.txt",
      "D:\\???_dir\\" + chinese_gbk,
      "D:\\???_dir\\" + chinese_gbk + "\\" + chinese_gbk + ".doc",
      "D:\\bad?_dir",
      "D:\\bad?_dir\\inner",
      "D:\\bad?_dir\\inner\\c.txt",
      "D:\\line?feed",
      "D:\\line?feed\\d.txt",
  };
  EXPECT_EQ(paths, expected);
  // The two "?_dir" folders: one holds one entry, the other two, never a mix.
  std::multiset<uint32_t> counts;
  for (uint32_t r = 2; r <= snap.FolderCount(); ++r) {
    if (snap.FullPath(snap.Folder(r).entry) == "D:\\?_dir") counts.insert(snap.Folder(r).count);
  }
  EXPECT_EQ(counts, (std::multiset<uint32_t>{1, 2}));
  // Every folder's id range holds entries of its own path.
  for (uint32_t r = 2; r <= snap.FolderCount(); ++r) {
    const FolderRecord folder = snap.Folder(r);
    const std::string path = snap.FullPath(folder.entry) + "\\";
    for (uint32_t id = folder.entry + 1; id <= folder.entry + folder.count; ++id) {
      EXPECT_EQ(snap.FullPath(id).compare(0, path.size(), path), 0) << snap.FullPath(id);
    }
  }
}

TEST(SnapshotWalkerPosix, ProgressTextsEvery400Results) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  ASSERT_TRUE(CreateFolder("D:\\folder1"));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(MakeFile("D:\\folder1\\" + std::to_string(i)));
  RecordingProgressSink sink;
  ASSERT_TRUE(InstallProgressSink(&sink));
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    walker->WalkRoot("D:");
    // folder1 in the root (no text: the root's path is too short), then ".", ".." and 1000
    // files in D:\folder1, with texts at results 400 and 800.
    EXPECT_EQ(walker->EntriesSeen(), 1003u);
  }
  InstallProgressSink(nullptr);
  const std::string walking = std::string("正在获取文件快照：\n") + "D:\\folder1";
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"正准备获取文件快照.....\n", walking, walking}));
  EXPECT_EQ(sink.sent, (std::vector<bool>{false, false, false}));
}

// The project's tree generator, bench/make_tree.py, looked for from the current folder upwards
// (CTest runs the tests inside the build folder, which sits in the checkout; __FILE__ is no
// guide, as ccache makes it relative); empty when absent.
std::string MakeTreeTool() {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::path dir = fs::current_path(error); !dir.empty(); dir = dir.parent_path()) {
    const fs::path tool = dir / "bench" / "make_tree.py";
    if (fs::exists(tool, error)) return tool.string();
    if (dir == dir.parent_path()) break;
  }
  return std::string();
}

// A model of a tree read with the C++ library, as an oracle independent of the find seam.
Model ModelOf(const std::string& dir, const std::string& root) {
  Model model;
  LocalTime now;
  EXPECT_TRUE(LocalNow(&now));
  namespace fs = std::filesystem;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
       ++it) {
    std::string relative = fs::relative(it->path(), dir).string();
    for (char& c : relative) c = c == '/' ? '\\' : c;
    const std::string path = root + "\\" + Utf8ToGbk(relative);
    struct stat st;
    EXPECT_EQ(::lstat(it->path().c_str(), &st), 0);
    ModelEntry entry;
    entry.folder = S_ISDIR(st.st_mode);
    entry.size = entry.folder ? 0 : static_cast<uint64_t>(st.st_size);
    entry.hidden = it->path().filename().string()[0] == '.';
    struct tm tm;
    ::localtime_r(&st.st_mtime, &tm);
    const int year = tm.tm_year + 1900;
    if (year <= 1970 || year > now.year) {
      entry.time_text = std::to_string(now.year);
      entry.code = snapshot::MonthCode(now.year, tm.tm_mon + 1);
    } else {
      tm.tm_sec = 0;
      tm.tm_isdst = -1;
      entry.time_text = Hex(static_cast<uint64_t>(::mktime(&tm)));
      entry.code = snapshot::MonthCode(year, tm.tm_mon + 1);
    }
    if (entry.folder && path.size() > SnapshotWalker::kMaxWalkedPath) {
      it.disable_recursion_pending();
    }
    model[path] = entry;
  }
  return model;
}

TEST(SnapshotWalkerPosix, MakeTreeWalkMatchesAnIndependentScan) {
  const std::string tool = MakeTreeTool();
  if (tool.empty()) GTEST_SKIP() << "bench/make_tree.py not found above the current folder";
  TempFolder parent;
  const std::string tree = parent.Join("tree");
  const std::string command =
      "python3 '" + tool + "' --entries 3000 --seed 1 --out '" + tree + "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_TRUE(MapTestDrive('G', tree, kDriveFixed));
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("G:"), 3000u);
  }
  ExpectSnapshotMatches(Snapshot(build.Path()), ModelOf(tree, "G:"), {"G:"});
  UnmapTestDrive('G');
}

}  // namespace
}  // namespace sorvik
