#include "lifecycle/index_manager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "lifecycle/index_schedule.h"
#include "platform/progress.h"
#include "query/removal_list.h"
#include "query/search_result.h"
#include "testing/index_test_support.h"
#include "testing/recording_progress_sink.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::TestDrive;
using testing::WaitUntil;
using testing::WorkFolder;

uint32_t CountAll(IndexManager* manager, const std::string& keywords = "") {
  SearchRequest request;
  request.keywords = keywords;
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, 1, 800, &total);
  if (result == nullptr) return 0xFFFFFFFFu;
  result->Release();
  return total;
}

// A manager on `work`; `configure` sets up its environment before the background thread (when
// `thread`) starts. Destroying the manager stops and joins the thread.
std::unique_ptr<IndexManager> ManagerOn(
    WorkFolder* work, FakeEnvironment** environment, bool thread,
    const std::function<void(FakeEnvironment*)>& configure = {}) {
  auto owned = std::make_unique<FakeEnvironment>(&work->settings, work->build);
  if (environment != nullptr) *environment = owned.get();
  if (configure) configure(owned.get());
  return std::make_unique<IndexManager>(work->work, std::move(owned), thread);
}

TEST(IndexManager, SwapKeepsOrReplacesTheLiveIndex) {
  TestDrive drive('R');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("alpha.txt")));
  ASSERT_TRUE(CreateFolder(drive.At("docs")));
  ASSERT_TRUE(testing::MakeFile(drive.At("docs\\beta.doc")));
  WorkFolder work("R:");
  auto manager = ManagerOn(&work, nullptr, false);
  {  // no index yet: searches and details answer "no index"
    EXPECT_FALSE(manager->IndexUsable());
    EXPECT_EQ(CountAll(manager.get()), 0xFFFFFFFFu);
    EntryDetails details;
    EXPECT_FALSE(manager->GetDetails(1, &details));
    std::vector<uint16_t> codes;
    EXPECT_EQ(manager->MonthCodesOf(0, &codes), 0u);
  }
  {  // a finished build moves in; the done message reaches the first-build dialog
    RecordingProgressSink dialog;
    InstallProgressSink(&dialog);
    ASSERT_TRUE(BuildIndex(&work.settings, work.build));
    manager->SwapInNewIndex();
    InstallProgressSink(nullptr);
    EXPECT_EQ(CountAll(manager.get()), 3u);
    EXPECT_FALSE(PathExists(work.work + kBuildFolder));
    EXPECT_FALSE(PathExists(work.work + kSwapFolder));
#ifndef _WIN32
    ASSERT_EQ(dialog.done.size(), 1u);
    EXPECT_EQ(dialog.done[0], kIndexDoneText);
#endif
    std::vector<uint16_t> codes;
    EXPECT_EQ(manager->MonthCodesOf(0, &codes), 1u);  // everything made this month
  }
  {  // a file removal appends one value; a folder removal two, the first flagged
    const std::string list = work.Live() + "\\" + kRemovalFileName;
    manager->RecordRemoval(3, "R:\\docs\\beta.doc");  // ids follow the walk: docs=2, beta=3?
    EntryDetails details;
    ASSERT_TRUE(manager->GetDetails(2, &details));
    uint32_t folder_id = details.IsFolder() ? 2 : 1;
    manager->RecordRemoval(folder_id, "r:\\DOCS");
    std::vector<uint8_t> bytes = testing::ReadBytes(list);
    ASSERT_GE(bytes.size(), 8u);
    uint32_t last_two[2];
    std::memcpy(last_two, bytes.data() + bytes.size() - 8, 8);
    EXPECT_EQ(last_two[0], folder_id | kRemovedFolderFlag);
    EXPECT_EQ(last_two[1], 1u);              // one entry below docs
    EXPECT_EQ(CountAll(manager.get()), 1u);  // only alpha.txt is left
  }
  {  // a build that is not a usable index never replaces the live one, which keeps its removals
    ASSERT_TRUE(CreateFolder(work.work + kBuildFolder));
    testing::WriteText(work.work + kBuildFolder + "\\index.mtr", "broken");
    manager->SwapInNewIndex();
    EXPECT_TRUE(manager->HasLoadedIndex());
    EXPECT_EQ(CountAll(manager.get()), 1u);
    EXPECT_FALSE(PathExists(work.work + kBuildFolder));
  }
  {  // a stale transient folder is cleared before the rename
    ASSERT_TRUE(CreateFolder(work.work + kSwapFolder));
    testing::WriteText(work.work + kSwapFolder + "\\junk", "x");
    ASSERT_TRUE(BuildIndex(&work.settings, work.build));
    manager->SwapInNewIndex();
    EXPECT_EQ(CountAll(manager.get()), 3u);
    EXPECT_FALSE(PathExists(work.work + kSwapFolder));
  }
}

TEST(IndexManager, VersionCheckAndInterruptedSwapRecovery) {
  TestDrive drive('S');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("one.txt")));
  WorkFolder work("S:");
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  {  // an index.mtr of another version is not usable
    std::string matrix = work.work + kBuildFolder + "\\index.mtr";
    std::vector<uint8_t> bytes = testing::ReadBytes(matrix);
    bytes[0] = 101;
    testing::WriteBytes(matrix, bytes);
    EXPECT_FALSE(IndexUsableAt(work.work + kBuildFolder));
    bytes[0] = 100;
    testing::WriteBytes(matrix, bytes);
    EXPECT_TRUE(IndexUsableAt(work.work + kBuildFolder));
  }
  {  // killed between deleting NIndex and the last rename: the next start takes the new index
    ASSERT_TRUE(RenamePath(work.work + kBuildFolder, work.work + kSwapFolder));
    auto manager = ManagerOn(&work, nullptr, false);
    EXPECT_TRUE(manager->HasLoadedIndex());
    EXPECT_EQ(CountAll(manager.get()), 1u);
    EXPECT_FALSE(PathExists(work.work + kSwapFolder));
  }
}

TEST(IndexThread, ScheduleOnAVirtualClock) {
  TestDrive drive('T');
  ASSERT_TRUE(drive.Mapped());
  ASSERT_TRUE(testing::MakeFile(drive.At("t.txt")));
  {  // manual only: the start-up check rebuilds the missing index, the loop never does
    WorkFolder work("T:");
    FakeEnvironment* environment = nullptr;
    auto manager = ManagerOn(&work, &environment, true, [](FakeEnvironment* e) {
      e->frequency = kManualOnly;
      e->build_fails = true;  // and no index.dat ever appears
    });
    EXPECT_TRUE(WaitUntil([&] { return environment->waits >= 20; }));
    EXPECT_EQ(environment->builds, 1);
    EXPECT_EQ(environment->online_steps, 1);
  }
  {  // every 10 minutes, checked every 5: the index is rebuilt at 15, 30, 45... minutes
    WorkFolder work("T:");
    FakeEnvironment* environment = nullptr;
    double start = 0;
    auto manager = ManagerOn(&work, &environment, true, [&](FakeEnvironment* e) {
      e->frequency = 10;
      start = e->Minutes();
    });
    EXPECT_TRUE(WaitUntil([&] { return environment->waits >= 12; }));
    double elapsed = environment->Minutes() - start;
    int builds = environment->builds;
    manager.reset();
    int expected_builds = 1 + static_cast<int>(elapsed / 15.0);
    EXPECT_NEAR(builds, expected_builds, 1);
    EXPECT_GE(builds, 4);
  }
  {  // after a logon start the thread waits 10 minutes before any index work
    WorkFolder work("T:");
    FakeEnvironment* environment = nullptr;
    double start = 0;
    std::atomic<double> build_at{0};
    auto manager = ManagerOn(&work, &environment, true, [&](FakeEnvironment* e) {
      e->at_logon = true;
      start = e->Minutes();
      e->during_build = [&build_at, e] { build_at = e->Minutes(); };
    });
    EXPECT_TRUE(WaitUntil([&] { return environment->builds >= 1; }));
    EXPECT_NEAR(build_at - start, 10.0, 0.01);
  }
}

TEST(IndexThread, TwoRequestsDuringOneRebuildGiveOneRebuild) {
  TestDrive drive('U');
  ASSERT_TRUE(drive.Mapped());
  WorkFolder work("U:");
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  {  // the build is already in place before the thread starts
    auto first = ManagerOn(&work, nullptr, false);
    first->SwapInNewIndex();
  }
  FakeEnvironment* environment = nullptr;
  std::atomic<bool> release{false};
  auto manager = ManagerOn(&work, &environment, true, [&](FakeEnvironment* e) {
    e->frequency = kManualOnly;
    e->during_build = [&release] {
      while (!release) SleepMs(1);
    };
  });
  EXPECT_TRUE(WaitUntil([&] { return environment->waits >= 2; }));
  EXPECT_EQ(environment->builds, 0);
  manager->RequestRefresh();
  EXPECT_TRUE(WaitUntil([&] { return manager->IsRefreshing(); }));
  manager->RequestRefresh();  // both dropped: a rebuild is running
  manager->RequestRefresh();
  release = true;
  EXPECT_TRUE(WaitUntil([&] { return !manager->IsRefreshing(); }));
  int waits = environment->waits;
  EXPECT_TRUE(WaitUntil([&] { return environment->waits >= waits + 5; }));
  EXPECT_EQ(environment->builds, 1);
}

// A page keeps the generation of the index it was cut from: after a swap its ids, which the
// new build gave to other entries, read nothing and remove nothing, and the listener hears of it.
TEST(IndexManager, PagesOfAnOlderIndexAreStaleAfterASwap) {
  TestDrive drive('V');
  ASSERT_TRUE(drive.Mapped());
  for (const char* name : {"keep1.txt", "keep2.txt", "keep3.txt"})
    ASSERT_TRUE(testing::MakeFile(drive.At(name)));
  WorkFolder work("V:");
  FakeEnvironment* environment = nullptr;
  auto manager = ManagerOn(&work, &environment, false);
  EXPECT_EQ(manager->Generation(), kNoGeneration);
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  manager->SwapInNewIndex();
  int swaps = 0;
  manager->SetSwapListener([&swaps] { ++swaps; });
  const uint32_t first = manager->Generation();
  EXPECT_NE(first, kNoGeneration);
  SearchRequest request;
  request.keywords = "keep";
  uint32_t total = 0;
  SearchResult* old_page = manager->Search(request, 1, 800, &total);
  ASSERT_NE(old_page, nullptr);
  ASSERT_EQ(old_page->ids.size(), 3u);
  EXPECT_TRUE(old_page->IsCurrent());
  EXPECT_EQ(old_page->generation(), first);
  std::string old_path;
  ASSERT_TRUE(old_page->GetFullPath(old_page->ids[0], &old_path));

  // New files everywhere: the next build numbers the entries differently.
  RemoveFile(drive.At("keep1.txt"));
  for (int i = 0; i < 20; ++i) testing::MakeFile(drive.At("new" + std::to_string(i) + ".txt"));
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  manager->SwapInNewIndex();
  EXPECT_EQ(swaps, 1);
  EXPECT_NE(manager->Generation(), first);
  {  // nothing of the old page reads or removes anything
    EXPECT_FALSE(old_page->IsCurrent());
    EntryDetails details;
    EXPECT_FALSE(manager->ReadDetails(first, old_page->ids[1], &details));
    EXPECT_FALSE(old_page->GetDetails(old_page->ids[1], &details));
    std::string path;
    EXPECT_FALSE(old_page->GetFullPath(old_page->ids[0], &path));
    EXPECT_FALSE(old_page->RemoveAt(0, old_path));
    EXPECT_FALSE(PathExists(work.Live() + "\\" + kRemovalFileName));
  }
  {  // a page of the new index reads and removes as before
    SearchResult* page = manager->Search(request, 1, 800, &total);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(total, 2u);
    EXPECT_TRUE(page->IsCurrent());
    std::string path;
    ASSERT_TRUE(page->GetFullPath(page->ids[0], &path));
    EXPECT_TRUE(page->RemoveAt(0, path));
    EXPECT_TRUE(PathExists(work.Live() + "\\" + kRemovalFileName));
    page->Release();
  }
  {  // a swap that keeps the old folder (a failed build) still starts a new generation
    const uint32_t second = manager->Generation();
    environment->build_fails = true;
    manager->Refresh();
    EXPECT_TRUE(manager->HasLoadedIndex());
    EXPECT_NE(manager->Generation(), second);
    EXPECT_EQ(swaps, 2);
    manager->SetSwapListener(nullptr);
    manager->Refresh();
    EXPECT_EQ(swaps, 2);
  }
  old_page->Release();
}

// Searches on one thread while another rebuilds and swaps again and again: every search sees
// the old or the new index whole.
TEST(IndexThread, SearchesDuringRebuildsSeeWholeIndexes) {
  TestDrive drive('V');
  ASSERT_TRUE(drive.Mapped());
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(testing::MakeFile(drive.At("match" + std::to_string(i) + ".txt")));
  }
  WorkFolder work("V:");
  ASSERT_TRUE(BuildIndex(&work.settings, work.build));
  auto manager = ManagerOn(&work, nullptr, false);
  manager->SwapInNewIndex();
  std::atomic<bool> done{false};
  std::thread rebuilder([&] {
    for (int round = 0; round < 6; ++round) {
      // Alternate between 200 and 201 matching names.
      if (round % 2 == 0) {
        testing::MakeFile(drive.At("match-extra.txt"));
      } else {
        RemoveFile(drive.At("match-extra.txt"));
      }
      manager->Refresh();
    }
    done = true;
  });
  int searches = 0;
  while (!done) {
    uint32_t total = CountAll(manager.get(), "match");
    ASSERT_TRUE(total == 200u || total == 201u) << total;
    EntryDetails details;
    ASSERT_TRUE(manager->GetDetails(1, &details));
    ++searches;
  }
  rebuilder.join();
  EXPECT_GT(searches, 0);
  EXPECT_EQ(CountAll(manager.get(), "match"), 200u);
}

}  // namespace
}  // namespace sorvik
