#include "index/folder_exclusion.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>

#include "index/find_file.h"
#include "index/snapshot_walker.h"
#include "platform/fs.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using namespace testing;

TEST(FolderExclusion, ListTextAndPatternKinds) {
  EXPECT_EQ(SplitExcludeList(" node_modules |*.cache||D:\\Backup|"),
            (std::vector<std::string>{"node_modules", "*.cache", "D:\\Backup"}));
  EXPECT_TRUE(SplitExcludeList("").empty());
  EXPECT_EQ(JoinExcludeList(SplitExcludeList(kDefaultExcludeList)), kDefaultExcludeList);
  // A "|" that is the second byte of a character does not split ("\x81|" is one character).
  EXPECT_EQ(SplitExcludeList("a\x81|b|c"), (std::vector<std::string>{"a\x81|b", "c"}));

  EXPECT_TRUE(IsFullPathPattern("D:\\Backup"));
  EXPECT_TRUE(IsFullPathPattern("D:"));
  EXPECT_FALSE(IsFullPathPattern("node_modules"));
  // "\x81\\" is one double-byte character, not a backslash.
  EXPECT_FALSE(IsFullPathPattern("\x81\\x"));

  EXPECT_TRUE(IsValidExcludePattern("*.cache"));
  EXPECT_TRUE(IsValidExcludePattern("d:\\Backup\\"));
  EXPECT_FALSE(IsValidExcludePattern(""));
  EXPECT_FALSE(IsValidExcludePattern(" build"));
  EXPECT_FALSE(IsValidExcludePattern("a|b"));
  EXPECT_FALSE(IsValidExcludePattern("src/build"));
  EXPECT_FALSE(IsValidExcludePattern("D:\\"));         // a whole drive: untick it instead
  EXPECT_FALSE(IsValidExcludePattern("Backup\\old"));  // a path without its drive
  EXPECT_FALSE(IsValidExcludePattern("1:\\x"));
  EXPECT_FALSE(IsValidExcludePattern("D:\\*\\cache"));  // wildcards name folders only
}

TEST(FolderExclusion, NamesAndFullPaths) {
  const FolderExclusion none;
  EXPECT_FALSE(none.LeavesOut("C:\\node_modules"));
  EXPECT_FALSE(none.HidesBelow("C:\\node_modules\\x"));

  const FolderExclusion out({"node_modules", "*.CACHE", "b?n", "D:\\Backup\\", "缓存*"});
  // Names: anywhere, ASCII case ignored, "?" one character (a double-byte one too).
  EXPECT_TRUE(out.LeavesOut("C:\\src\\node_modules"));
  EXPECT_TRUE(out.LeavesOut("C:\\src\\NODE_MODULES"));
  EXPECT_TRUE(out.LeavesOut("C:\\.cache"));
  EXPECT_TRUE(out.LeavesOut("C:\\x\\pip.Cache"));
  EXPECT_FALSE(out.LeavesOut("C:\\cache"));
  EXPECT_FALSE(out.LeavesOut("C:\\node_modules2"));
  EXPECT_TRUE(out.LeavesOut("C:\\bin"));
  EXPECT_TRUE(out.LeavesOut("C:\\b中n"));
  EXPECT_FALSE(out.LeavesOut("C:\\bn"));
  EXPECT_TRUE(out.LeavesOut("E:\\缓存文件"));
  // Chinese letters are not folded: only ASCII case is ignored.
  EXPECT_FALSE(out.LeavesOut("E:\\缓冲"));
  // Full paths: that folder only, not a same-named one elsewhere nor a longer name.
  EXPECT_TRUE(out.LeavesOut("d:\\backup"));
  EXPECT_FALSE(out.LeavesOut("C:\\Backup"));
  EXPECT_FALSE(out.LeavesOut("D:\\Backup2"));
  EXPECT_FALSE(out.LeavesOut("D:\\x\\Backup"));

  // Below a left-out folder, at any depth; the folder itself is not below.
  EXPECT_TRUE(out.HidesBelow("C:\\a\\node_modules\\x"));
  EXPECT_TRUE(out.HidesBelow("C:\\a\\node_modules\\x\\y.txt"));
  EXPECT_TRUE(out.HidesBelow("D:\\BACKUP\\old\\a.doc"));
  EXPECT_FALSE(out.HidesBelow("C:\\a\\node_modules"));
  EXPECT_FALSE(out.HidesBelow("D:\\Backup"));
  EXPECT_FALSE(out.HidesBelow("D:\\Backup2\\a.doc"));
  // A file that happens to carry a left-out name hides nothing.
  EXPECT_FALSE(out.HidesBelow("C:\\a\\bin"));
}

TEST(FolderExclusion, GbkSecondBytesAreNotSeparators) {
  // "\x95\\" is one character whose second byte is a backslash: "D:\丟x" is one folder
  // below D:, and a pattern naming D:\丟x leaves out exactly it.
  const std::string odd = "D:\\\x95\\x";
  const FolderExclusion path({odd});
  EXPECT_TRUE(path.LeavesOut(odd));
  EXPECT_TRUE(path.HidesBelow(odd + "\\a.txt"));
  EXPECT_FALSE(path.LeavesOut("D:\\\x95"));
  // Case is folded on ASCII letters only, never on a second byte ("\x95x" vs "\x95X").
  const FolderExclusion name({"\x95x*"});
  EXPECT_TRUE(name.LeavesOut("C:\\\x95xyz"));
  EXPECT_FALSE(name.LeavesOut("C:\\\x95Xyz"));
}

// Every folder a walk lists, recorded through the FindFile observer.
std::mutex g_listed_mutex;
std::set<std::string> g_listed;

void RecordListed(const std::string& listed) {
  std::lock_guard<std::mutex> hold(g_listed_mutex);
  g_listed.insert(listed);
}

TEST(FolderExclusion, WalkerNeitherOpensNorRecordsBelowLeftOutFolders) {
  TestDrive f('F');
  ASSERT_TRUE(f.Mapped());
  Model model;
  auto folder = [&](const std::string& relative, bool listed) {
    ASSERT_TRUE(CreateFolder(f.At(relative)));
    if (listed) model[f.At(relative)].folder = true;
  };
  auto file = [&](const std::string& relative, bool listed) {
    ASSERT_TRUE(MakeFile(f.At(relative), 5));
    if (listed) model[f.At(relative)].size = 5;
  };
  folder("src", true);
  file("src\\main.c", true);
  folder("src\\node_modules", true);  // the folder itself stays findable
  folder("src\\node_modules\\left", false);
  file("src\\node_modules\\left\\pkg.js", false);
  file("src\\node_modules\\index.js", false);
  folder("Backup", true);
  folder("Backup\\2024", false);
  file("Backup\\2024\\report.doc", false);
  folder("Backup2", true);
  file("Backup2\\kept.doc", true);
  folder("pip.cache", true);
  file("pip.cache\\wheel.whl", false);
  folder("cache", true);
  file("cache\\kept.txt", true);

  TempFolder build;
  g_listed.clear();
  SetFindOpenObserver(RecordListed);
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    ASSERT_TRUE(walker);
    walker->SetExclusion(FolderExclusion({"NODE_MODULES", "*.cache", "f:\\backup"}));
    EXPECT_EQ(walker->WalkRoot("F:"), model.size());
  }
  SetFindOpenObserver(nullptr);
  ExpectSnapshotMatches(Snapshot(build.Path()), model, {"F:"});
  // Opened: the root and each walked folder, exactly; no left-out folder nor anything below.
  const std::set<std::string> opened = {"F:", f.At("src"), f.At("Backup2"), f.At("cache")};
  std::set<std::string> listed;
  for (const std::string& path : g_listed) listed.insert(path.substr(0, path.find("\\*")));
  EXPECT_EQ(listed, opened);
}

}  // namespace
}  // namespace sorvik
