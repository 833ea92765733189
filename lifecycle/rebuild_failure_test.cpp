// A rebuild that fails loses nothing: a write error or a full disk anywhere in the build, a swap
// whose renames or deletes fail, or a process killed in the middle of a build or a swap leaves
// the previous index (and its removal list) in use or recoverable, and the next start rebuilds
// what cannot be used.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lifecycle/index_manager.h"
#include "lifecycle/index_schedule.h"
#include "query/removal_list.h"
#include "query/search_result.h"
#include "testing/fault_injection.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::FailingDisk;
using testing::FakeEnvironment;
using testing::PathEndsWith;
using testing::TestDrive;
using testing::WaitUntil;
using testing::WorkFolder;

constexpr uint32_t kNoIndex = 0xFFFFFFFFu;
const char* const kIndexFiles[] = {"db.txt",   "db.txt.mai", "index.rw", "index.cm",
                                   "index.dm", "index.mtr",  "index.dat"};

uint32_t Count(IndexManager* manager, const std::string& keywords) {
  SearchRequest request;
  request.keywords = keywords;
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, 1, 800, &total);
  if (result == nullptr) return kNoIndex;
  result->Release();
  return total;
}

// Records the removal of the first entry that `keywords` finds.
void RemoveFirstMatch(IndexManager* manager, const std::string& keywords) {
  SearchRequest request;
  request.keywords = keywords;
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, 1, 800, &total);
  ASSERT_NE(result, nullptr);
  ASSERT_FALSE(result->ids.empty());
  std::string path;
  ASSERT_TRUE(result->GetFullPath(result->ids[0], &path));
  manager->RecordRemoval(result->ids[0], path);
  result->Release();
}

std::unique_ptr<IndexManager> ManagerOn(WorkFolder* work, FakeEnvironment** environment = nullptr,
                                        bool thread = false) {
  auto owned = std::make_unique<FakeEnvironment>(&work->settings, work->build);
  owned->frequency = kManualOnly;
  if (environment != nullptr) *environment = owned.get();
  return std::make_unique<IndexManager>(work->work, std::move(owned), thread);
}

// A drive with `matches` files whose names hold "match", and a folder with one more file.
void MakeTree(const TestDrive& drive, int matches) {
  ASSERT_TRUE(drive.Mapped());
  for (int i = 0; i < matches; ++i) {
    ASSERT_TRUE(testing::MakeFile(drive.At("match" + std::to_string(i) + ".txt")));
  }
  ASSERT_TRUE(CreateFolder(drive.At("docs")));
  ASSERT_TRUE(testing::MakeFile(drive.At("docs\\beta.doc")));
}

// The write numbers a sweep fails: the first few, then evenly up to the last.
std::vector<uint32_t> WritesToFail(uint32_t writes, uint32_t samples) {
  std::vector<uint32_t> numbers;
  for (uint32_t k = 1; k <= std::min(writes, 4u); ++k) numbers.push_back(k);
  for (uint32_t i = 1; i <= samples; ++i) numbers.push_back(1 + (writes - 1) * i / samples);
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

using FolderBytes = std::map<std::string, std::vector<uint8_t>>;

FolderBytes ReadIndexFiles(const std::string& folder) {
  FolderBytes files;
  for (const char* name : kIndexFiles) files[name] = testing::ReadBytes(folder + "\\" + name);
  return files;
}

void WriteIndexFiles(const std::string& folder, const FolderBytes& files) {
  DeleteFolderTree(folder);
  ASSERT_TRUE(CreateFolder(folder));
  for (const auto& file : files) testing::WriteBytes(folder + "\\" + file.first, file.second);
}

// A chosen drive that is gone (a disk unplugged) would leave a rebuild without its entries:
// the rebuild is refused, its reason names the drive, and the index keeps every entry until
// the drive is back.
TEST(RebuildFailure, AChosenDriveThatVanishedKeepsItsEntries) {
  TestDrive first('H'), second('R');
  MakeTree(first, 3);
  MakeTree(second, 4);
  WorkFolder work("H:|R:");
  auto manager = ManagerOn(&work);
  manager->Refresh();
  ASSERT_EQ(Count(manager.get(), "match"), 7u);
  EXPECT_EQ(manager->LastBuildProblem(), "");
  {  // R: unplugged: refused, nothing walked, the index as it was
    ASSERT_TRUE(UnmapTestDrive('R'));
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 7u);
    EXPECT_NE(manager->LastBuildProblem().find("R:"), std::string::npos)
        << manager->LastBuildProblem();
    const Status built = BuildIndex(&work.settings, work.build);
    EXPECT_FALSE(built.ok());
    EXPECT_NE(built.message().find("R:"), std::string::npos) << built.message();
  }
  {  // back again: the next rebuild goes in
    ASSERT_TRUE(MapTestDrive('R', second.Folder().Path(), kDriveFixed));
    ASSERT_TRUE(testing::MakeFile(second.At("match-new.txt")));
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 8u);
    EXPECT_EQ(manager->LastBuildProblem(), "");
  }
  {  // no drive to walk at all (only a drive that is no fixed one chosen): refused too
    work.settings.Set(kConfigIndexPosition, "");
    work.settings.Set(kConfigIndexRemovable, "false");
    TestDrive removable('S', kDriveRemovable);
    ASSERT_TRUE(removable.Mapped());
    work.settings.Set(kConfigIndexPosition, "S:");
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 8u);
    EXPECT_NE(manager->LastBuildProblem().find("no drive"), std::string::npos)
        << manager->LastBuildProblem();
  }
}

TEST(RebuildFailure, AFailedWriteAnywhereInTheBuildKeepsTheLiveIndex) {
  TestDrive drive('H');
  MakeTree(drive, 10);
  WorkFolder work("H:");
  auto manager = ManagerOn(&work);
  manager->Refresh();
  ASSERT_EQ(Count(manager.get(), "match"), 10u);
  RemoveFirstMatch(manager.get(), "match");
  ASSERT_EQ(Count(manager.get(), "match"), 9u);
  ASSERT_TRUE(testing::MakeFile(drive.At("match-new.txt")));
  uint32_t writes = 0;
  {  // a clean build, counted
    FailingDisk counter;
    ASSERT_TRUE(BuildIndex(&work.settings, work.build));
    writes = counter.writes;
    DeleteFolderTree(work.work + kBuildFolder);
  }
  ASSERT_GT(writes, 4u);
  for (uint32_t k : WritesToFail(writes, 12)) {
    {  // the disk is full from write k on: the build fails, the old index and its removal stay
      FailingDisk disk;
      disk.full_from = k;
      manager->Refresh();
    }
    EXPECT_EQ(Count(manager.get(), "match"), 9u) << "full from write " << k << " of " << writes;
    EXPECT_FALSE(PathExists(work.work + kBuildFolder));
    {  // only write k fails (an I/O error): the same
      FailingDisk disk;
      disk.fail_only = k;
      manager->Refresh();
    }
    EXPECT_EQ(Count(manager.get(), "match"), 9u) << "failed write " << k << " of " << writes;
  }
  {  // a flush that fails when a written file is closed fails the build too
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string&) { return op == FileOp::kFlush; };
    manager->Refresh();
  }
  EXPECT_EQ(Count(manager.get(), "match"), 9u);
  {  // the next build that succeeds replaces the index and drops its removal list
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 11u);
    EXPECT_FALSE(PathExists(work.Live() + "\\" + kRemovalFileName));
  }
}

TEST(RebuildFailure, RenamesAndDeletesThatFailDuringTheSwap) {
  TestDrive drive('H');
  MakeTree(drive, 3);
  WorkFolder work("H:");
  auto manager = ManagerOn(&work);
  manager->Refresh();
  RemoveFirstMatch(manager.get(), "match");
  ASSERT_EQ(Count(manager.get(), "match"), 2u);
  ASSERT_TRUE(testing::MakeFile(drive.At("match-new.txt")));
  {  // the build folder cannot be moved aside: it is thrown away, nothing else changes
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string& path) {
      return op == FileOp::kRename && PathEndsWith(path, kBuildFolder);
    };
    manager->Refresh();
  }
  EXPECT_EQ(Count(manager.get(), "match"), 2u);
  EXPECT_FALSE(PathExists(work.work + kBuildFolder));
  {  // the live folder cannot be moved aside (a file in it is open elsewhere): the old index
     // stays whole and in use with its removals, and the new build waits under the transient name
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string& path) {
      return op == FileOp::kRename && PathEndsWith(path, kLiveFolder);
    };
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 2u);
    EXPECT_TRUE(IndexUsableAt(work.work + kSwapFolder));
  }
  {  // the next search moves it in
    EXPECT_EQ(Count(manager.get(), "match"), 4u);
    EXPECT_FALSE(PathExists(work.work + kSwapFolder));
  }
  ASSERT_TRUE(testing::MakeFile(drive.At("match-newer.txt")));
  {  // the old folder, moved aside, cannot be deleted: the swap still goes through
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string& path) {
      return op == FileOp::kRemove && PathEndsWith(path, kRetiredFolder);
    };
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 5u);
    EXPECT_TRUE(PathExists(work.work + kRetiredFolder));
  }
  ASSERT_TRUE(testing::MakeFile(drive.At("match-newest.txt")));
  {  // the last rename fails after the old folder moved aside: the old one comes back
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string& path) {
      return op == FileOp::kRename && PathEndsWith(path, kSwapFolder);
    };
    manager->Refresh();
    EXPECT_EQ(Count(manager.get(), "match"), 5u);
  }
  {                   // and the next start takes the new index from the transient folder
    manager.reset();  // the process ends, its open files with it
    manager = ManagerOn(&work);
    EXPECT_EQ(Count(manager.get(), "match"), 6u);
    EXPECT_FALSE(PathExists(work.work + kSwapFolder));
    EXPECT_FALSE(PathExists(work.work + kRetiredFolder));
  }
}

TEST(RebuildFailure, KilledDuringABuildOrASwap) {
  TestDrive drive('H');
  MakeTree(drive, 3);
  WorkFolder work("H:");
  const std::string live = work.Live();
  const std::string swap = work.work + kSwapFolder;
  const std::string build = work.work + kBuildFolder;
  ManagerOn(&work)->Refresh();
  const FolderBytes old_index = ReadIndexFiles(live);
  ASSERT_TRUE(testing::MakeFile(drive.At("match-new.txt")));
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  const FolderBytes new_index = ReadIndexFiles(build);
  DeleteFolderTree(build);
  {  // a build cut short (index.mtr and index.dat, but a truncated db.txt) is never moved in
    WriteIndexFiles(build, new_index);
    std::vector<uint8_t> records = new_index.at("db.txt");
    records.resize(records.size() / 2);
    testing::WriteBytes(build + "\\db.txt", records);
    EXPECT_FALSE(IndexUsableAt(build));
    auto manager = ManagerOn(&work);
    manager->SwapInNewIndex();
    EXPECT_EQ(Count(manager.get(), "match"), 3u);
  }
  for (const char* name : kIndexFiles) {
    // Killed while the old folder was deleted file by file, after the new build had been moved
    // to the transient name: the next start takes the new index.
    WriteIndexFiles(live, old_index);
    RemoveFile(live + "\\" + name);
    WriteIndexFiles(swap, new_index);
    EXPECT_FALSE(IndexUsableAt(live)) << name;
    auto manager = ManagerOn(&work);
    EXPECT_EQ(Count(manager.get(), "match"), 4u) << name;
    EXPECT_FALSE(PathExists(swap)) << name;
  }
  for (const char* name : kIndexFiles) {
    // A live folder that lost a file, with nothing to recover it from: the next start rebuilds.
    WriteIndexFiles(live, old_index);
    RemoveFile(live + "\\" + name);
    FakeEnvironment* environment = nullptr;
    auto manager = ManagerOn(&work, &environment, true);
    EXPECT_TRUE(WaitUntil([&] { return environment->builds >= 1 && manager->HasLoadedIndex(); }))
        << name;
    EXPECT_EQ(Count(manager.get(), "match"), 4u) << name;
  }
}

}  // namespace
}  // namespace sorvik
