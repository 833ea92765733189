// Left-out folders through builds and the live index: what lies below them never reaches a
// search, whatever happens inside them, and what moves out of them comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lifecycle/build_index.h"
#include "lifecycle/index_manager.h"
#include "platform/find.h"
#include "platform/fs.h"
#include "query/search_request.h"
#include "query/search_result.h"
#include "settings/config_store.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"
#include "testing/test_util.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::TestDrive;
using testing::WaitUntil;
using testing::WorkFolder;

// Whether `name` is one the test leaves out by name ("node_modules" in any ASCII case).
bool LeftOutName(const std::string& name) { return GbkEqualNoCase(name, "node_modules"); }

// Every path of the drive a build with the test's list must hold: the disk walked, skipping
// what lies inside a folder named node_modules or inside `backup` (the left-out folders
// themselves are listed).
void Expected(const std::string& folder, const std::string& backup, std::vector<std::string>* out) {
  FindRecord record;
  intptr_t find = FindFirstEntry(folder + "\\*", &record);
  if (find == kInvalidFind) return;
  do {
    const std::string name = record.name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    out->push_back(path);
    const bool walked = !LeftOutName(name) && !GbkEqualNoCase(path, backup);
    if ((record.attributes & kAttributeDirectory) != 0 && walked) Expected(path, backup, out);
  } while (FindNextEntry(find, &record));
  FindCloseEntry(find);
}

std::vector<std::string> Found(IndexManager* manager, const std::string& keywords) {
  uint32_t total = 0;
  SearchResult* result =
      manager->Search(MakeSearchRequest(keywords, "", kCategoryAll, false, 0, 0), 1, -1, &total);
  if (result == nullptr) return {"(no index)"};
  std::vector<std::string> paths;
  for (uint32_t id : result->ids) {
    std::string path;
    if (result->GetFullPath(id, &path)) paths.push_back(path);
  }
  result->Release();
  std::sort(paths.begin(), paths.end());
  return paths;
}

class LeftOutFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.Mapped());
    work_.settings.Set(kConfigIndexExclude, "NODE_MODULES|" + Backup());
    for (const char* folder : {"Keep", "Keep\\node_modules", "Keep\\node_modules\\pkg", "Backup",
                               "Backup\\2024", "Elsewhere"}) {
      ASSERT_TRUE(CreateFolder(drive_.At(folder)));
    }
    for (const char* file : {"Keep\\a.txt", "Keep\\node_modules\\pkg\\index.js",
                             "Backup\\2024\\report.doc", "Elsewhere\\b.txt"}) {
      ASSERT_TRUE(testing::MakeFile(drive_.At(file)));
    }
  }

  std::string Backup() const { return drive_.At("Backup"); }

  std::vector<std::string> Disk() const {
    std::vector<std::string> paths;
    Expected(drive_.Root(), Backup(), &paths);
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  // Builds, swaps in and starts the live watch.
  void Start() {
    auto* environment = new FakeEnvironment(&work_.settings, work_.build);
    environment->frequency = -1;
    ASSERT_TRUE(BuildIndex(&work_.settings, work_.build).ok());
    manager_ = std::make_unique<IndexManager>(work_.work,
                                              std::unique_ptr<FakeEnvironment>(environment), false);
    ASSERT_TRUE(manager_->SwapInNewIndex());
    manager_->StartLiveUpdate();
    ASSERT_TRUE(WaitUntil([&] { return manager_->GetLiveStatus().systemWatches > 0; }));
  }

  TestDrive drive_{'T'};
  WorkFolder work_{"T:"};
  std::unique_ptr<IndexManager> manager_;
};

TEST_F(LeftOutFolders, BuildListsTheFolderButNothingBelowIt) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::vector<std::string> found = Found(manager_.get(), "");
  EXPECT_EQ(found, Disk());
  // Findable by name: the left-out folders themselves; never what they hold.
  EXPECT_EQ(Found(manager_.get(), "node_modules"),
            std::vector<std::string>{drive_.At("Keep\\node_modules")});
  EXPECT_TRUE(Found(manager_.get(), "index.js").empty());
  EXPECT_TRUE(Found(manager_.get(), "report").empty());
  EXPECT_EQ(Found(manager_.get(), "Backup"), std::vector<std::string>{Backup()});
}

TEST_F(LeftOutFolders, LiveChangesInsideThemNeverShow) {
  ASSERT_NO_FATAL_FAILURE(Start());
  // Each step ends with a marker file made outside: once it is listed, the live index has
  // handled the step's earlier changes too, so a change that wrongly showed would be seen.
  int marker = 0;
  const std::vector<std::pair<std::string, std::function<bool()>>> steps = {
      {"a file made inside",
       [&] { return testing::MakeFile(drive_.At("Keep\\node_modules\\pkg\\new.js")); }},
      {"a folder with a file made inside",
       [&] {
         return CreateFolder(drive_.At("Backup\\2025")) &&
                testing::MakeFile(drive_.At("Backup\\2025\\plan.doc"));
       }},
      {"a new left-out folder elsewhere, filled at once",
       [&] {
         return CreateFolder(drive_.At("Elsewhere\\Node_Modules")) &&
                testing::MakeFile(drive_.At("Elsewhere\\Node_Modules\\dep.js"));
       }},
      {"a folder moved into a left-out one",
       [&] { return RenamePath(drive_.At("Elsewhere"), drive_.At("Backup\\Elsewhere")); }},
      {"a folder renamed to a left-out name",
       [&] { return RenamePath(drive_.At("Keep"), drive_.At("node_modules")); }},
      {"and back: its entries return",
       [&] { return RenamePath(drive_.At("node_modules"), drive_.At("Keep")); }},
      {"a folder moved out of a left-out one",
       [&] { return RenamePath(drive_.At("Backup\\2024"), drive_.At("Keep\\2024")); }},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(step.second()) << step.first;
    const std::string mark = drive_.At("mark" + std::to_string(++marker) + ".txt");
    ASSERT_TRUE(testing::MakeFile(mark));
    ASSERT_TRUE(WaitUntil([&] {
      const std::vector<std::string> found = Found(manager_.get(), "");
      return std::binary_search(found.begin(), found.end(), mark) && found == Disk();
    })) << step.first;
    EXPECT_EQ(Found(manager_.get(), ""), Disk()) << step.first;
  }
  EXPECT_TRUE(Found(manager_.get(), "dep.js").empty());
  EXPECT_EQ(Found(manager_.get(), "report"),
            std::vector<std::string>{drive_.At("Keep\\2024\\report.doc")});
}

TEST_F(LeftOutFolders, OlderConfigWithoutTheKeyLeavesOutTheDefaults) {
  // A Config.xml of an older version: the drives, no "index_exclude".
  testing::TempFolder older;
  const std::string path = older.Join(kConfigFileName);
  testing::WriteText(
      path,
      "<?xml version=\"1.0\" encoding=\"gb2312\" ?>\r\n<configuration>\r\n    <appSettings>\r\n"
      "        <add key=\"index_position\" value=\"T:\" />\r\n    </appSettings>\r\n"
      "</configuration>\r\n");
  ConfigStore settings(path);
  EXPECT_EQ(ExcludedFolders(&settings), SplitExcludeList(kDefaultExcludeList));
  ASSERT_TRUE(CreateFolder(drive_.At("$RECYCLE.BIN")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("$RECYCLE.BIN\\deleted.doc")));
  ASSERT_TRUE(CreateFolder(drive_.At("System Volume Information")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("System Volume Information\\tracking.log")));
  BuildOptions build = work_.build;
  ASSERT_TRUE(BuildIndex(&settings, build).ok());
  IndexManager manager(work_.work, std::make_unique<FakeEnvironment>(&settings, build), false);
  ASSERT_TRUE(manager.SwapInNewIndex());
  const std::vector<std::string> found = Found(&manager, "");
  EXPECT_TRUE(std::binary_search(found.begin(), found.end(), drive_.At("$RECYCLE.BIN")));
  EXPECT_TRUE(Found(&manager, "deleted").empty());
  EXPECT_TRUE(Found(&manager, "tracking").empty());
  // Everything else is walked: node_modules is not among the defaults.
  EXPECT_EQ(Found(&manager, "index.js"),
            std::vector<std::string>{drive_.At("Keep\\node_modules\\pkg\\index.js")});
  // An empty value leaves nothing out, not even the defaults.
  settings.Set(kConfigIndexExclude, "");
  EXPECT_TRUE(ExcludedFolders(&settings).empty());
  ASSERT_TRUE(BuildIndex(&settings, build).ok());
  ASSERT_TRUE(manager.SwapInNewIndex());
  EXPECT_EQ(Found(&manager, "deleted").size(), 1u);
}

}  // namespace
}  // namespace sorvik
