// The index following the disk: a real tree on a test drive is indexed, the manager's watch
// follows it, and after every random change (create, rename, move, delete, time and hidden
// changes) every search of a fixed set equals a brute-force walk of the tree as it now is.
// Also: lost changes ask for a rebuild, changes made while a build runs survive its swap, and
// with the setting off nothing changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "index/snapshot_format.h"
#include "platform/find.h"
#include "platform/local_time.h"
#include "query/keyword_match.h"
#include "query/search_request.h"
#include "query/search_result.h"
#include "testing/index_test_support.h"
#include "testing/name_generator.h"
#include "testing/search_oracle.h"
#include "testing/snapshot_test_support.h"
#include "testing/sort_check.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::Random;
using testing::StartsWithNoCase;
using testing::TestDrive;
using testing::WaitUntil;
using testing::WorkFolder;

// One entry as the disk has it now.
struct DiskEntry {
  std::string path;  // full path
  std::string name;
  bool folder = false;
  bool hidden = false;
  uint16_t month = 0;  // month code of its last-write time
};

// The categories of the extensions this test uses, stated here on their own.
int CategoryOfTestName(const std::string& name) {
  static const std::map<std::string, int> kCategories = {{".jpg", kCategoryPictures},
                                                         {".doc", kCategoryDocuments},
                                                         {".mp3", kCategoryMedia},
                                                         {".exe", kCategoryApplications}};
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return kCategoryAll;
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto found = kCategories.find(extension);
  return found == kCategories.end() ? kCategoryAll : found->second;
}

void WalkDisk(const std::string& folder, std::vector<DiskEntry>* out) {
  FindRecord record;
  intptr_t find = FindFirstEntry(folder + "\\*", &record);
  if (find == kInvalidFind) return;
  do {
    const std::string name = record.name;
    if (name == "." || name == "..") continue;
    DiskEntry entry;
    entry.path = folder + "\\" + name;
    entry.name = name;
    entry.folder = (record.attributes & kAttributeDirectory) != 0;
    entry.hidden = (record.attributes & kAttributeHidden) != 0;
    LocalTime local;
    EXPECT_TRUE(FileTimeToLocal(record.last_write, &local));
    entry.month = snapshot::MonthCode(local.year, local.month);
    out->push_back(entry);
    if (entry.folder) WalkDisk(entry.path, out);
  } while (FindNextEntry(find, &record));
  FindCloseEntry(find);
}

// The paths `request` should select among `disk`, sorted.
std::vector<std::string> Expected(const std::vector<DiskEntry>& disk,
                                  const SearchRequest& request) {
  const ParsedKeywords parsed = ParseKeywords(request.keywords);
  std::vector<std::string> paths;
  for (const DiskEntry& entry : disk) {
    const int category = entry.folder ? kCategoryFolders : CategoryOfTestName(entry.name);
    const testing::OracleEntry seen{entry.path,   entry.name, entry.folder,
                                    entry.hidden, category,   entry.month};
    if (testing::OracleSelects(request, parsed, seen)) paths.push_back(entry.path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The paths of one page (all with page size -1), in the page's order; `total` the count.
std::vector<std::string> PagePaths(IndexManager* manager, const SearchRequest& request, int page,
                                   int page_size, uint32_t* total) {
  SearchResult* result = manager->Search(request, page, page_size, total);
  if (result == nullptr) return {"(no index)"};
  std::vector<std::string> paths;
  for (uint32_t id : result->ids) {
    std::string path;
    EXPECT_TRUE(result->GetFullPath(id, &path)) << id;
    paths.push_back(path);
  }
  result->Release();
  return paths;
}

std::vector<std::string> Actual(IndexManager* manager, const SearchRequest& request) {
  uint32_t total = 0;
  std::vector<std::string> paths = PagePaths(manager, request, 1, -1, &total);
  EXPECT_EQ(total, paths.size());
  std::sort(paths.begin(), paths.end());
  return paths;
}

class LiveUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.Mapped());
    environment_ = new FakeEnvironment(&work_.settings, work_.build);
    environment_->frequency = -1;  // rebuilds only when asked for
  }

  // Builds the index of the drive, loads it, and starts the watch (waiting until it runs).
  void Start(bool background_thread) {
    ASSERT_TRUE(BuildIndex(&work_.settings, work_.build));
    {  // swapped in first, so that the background thread finds a usable index
      IndexManager first(work_.work,
                         std::make_unique<FakeEnvironment>(&work_.settings, work_.build), false);
      first.SwapInNewIndex();
    }
    manager_ = std::make_unique<IndexManager>(
        work_.work, std::unique_ptr<FakeEnvironment>(environment_), background_thread);
    ASSERT_TRUE(manager_->HasLoadedIndex());
    manager_->StartLiveUpdate();
    ASSERT_TRUE(WaitUntil([&] { return manager_->GetLiveStatus().systemWatches > 0; }))
        << manager_->GetLiveStatus().failures;
  }

  std::vector<DiskEntry> Disk() {
    std::vector<DiskEntry> disk;
    WalkDisk(drive_.Root(), &disk);
    return disk;
  }

  // Whether every request gives what the disk says; `why` gets the first difference.
  bool AllMatch(const std::vector<SearchRequest>& requests, std::string* why) {
    const std::vector<DiskEntry> disk = Disk();
    for (const SearchRequest& request : requests) {
      const std::vector<std::string> expected = Expected(disk, request);
      const std::vector<std::string> actual = Actual(manager_.get(), request);
      if (actual != expected) {
        *why = "keywords [" + request.keywords + "] location [" + request.location + "] category " +
               std::to_string(request.category) + " hidden " + std::to_string(request.hiddenOnly) +
               " months " + std::to_string(request.monthFrom) + ": " +
               std::to_string(actual.size()) + " found, " + std::to_string(expected.size()) +
               " on disk";
        for (const std::string& path : expected) {
          if (!std::binary_search(actual.begin(), actual.end(), path)) *why += "\n missing " + path;
        }
        for (const std::string& path : actual) {
          if (!std::binary_search(expected.begin(), expected.end(), path))
            *why += "\n extra " + path;
        }
        return false;
      }
    }
    return true;
  }

  // Waits until the searches follow the disk, then checks them once more.
  void ExpectFollowsDisk(const std::vector<SearchRequest>& requests, const std::string& step) {
    std::string why;
    WaitUntil([&] { return AllMatch(requests, &why); });
    ASSERT_TRUE(AllMatch(requests, &why)) << step << "\n" << why;
  }

  TestDrive drive_{'R'};
  WorkFolder work_{"R:"};
  FakeEnvironment* environment_ = nullptr;  // owned by the manager once started
  std::unique_ptr<IndexManager> manager_;
};

// A name of the test's own shapes: letters, now and then Chinese, an extension of the table or
// none, now and then hidden.
[[maybe_unused]] std::string TestName(Random* random) {
  static const char* kExtensions[] = {"", ".txt", ".jpg", ".doc", ".mp3", ".exe", ".DOC"};
  std::string name = random->Next(8) == 0 ? "." : "";
  const uint32_t letters = 2 + random->Next(6);
  for (uint32_t i = 0; i < letters; ++i) name += static_cast<char>('a' + random->Next(6));
  if (random->Next(5) == 0) name += "报告";
  return name + kExtensions[random->Next(7)];
}

[[maybe_unused]] int64_t RandomSeconds(Random* random) {
  return 946684800 + static_cast<int64_t>(random->Next(9000)) * 86400;  // 2000 .. 2024
}

// The fixed set of searches checked after every step.
std::vector<SearchRequest> FixedRequests(const std::string& root) {
  std::vector<SearchRequest> requests;
  const char* keywords[] = {"", "a", "ab", "bc d", "报告", "doc", "e,f", ".jpg"};
  for (const char* line : keywords) {
    requests.push_back(MakeSearchRequest(NormalizeKeywords(line), "", kCategoryAll, false, 0, 0));
  }
  for (int category : {kCategoryFolders, kCategoryHidden, kCategoryPictures, kCategoryDocuments,
                       kCategoryApplications, kCategoryMedia}) {
    requests.push_back(MakeSearchRequest("", "", category, false, 0, 0));
  }
  requests.push_back(MakeSearchRequest("a", "", kCategoryAll, true, 0, 0));
  LocalTime now;
  LocalNow(&now);
  requests.push_back(MakeSearchRequest("", "", kCategoryAll, false, now.year, 0));
  requests.push_back(MakeSearchRequest("", "", kCategoryAll, false, 2010, 0));
  requests.push_back(MakeSearchRequest("", "", kCategoryDocuments, false, 2005, 3));
  requests.push_back(MakeSearchRequest("", root, kCategoryAll, false, 0, 0));
  requests.push_back(MakeSearchRequest("", root + "\\Keep", kCategoryAll, false, 0, 0));
  requests.push_back(MakeSearchRequest("b", root + "\\keep\\Inner\\", kCategoryAll, false, 0, 0));
  return requests;
}

// One random change of the tree: `folders` and `files` are what the test made and still knows.
[[maybe_unused]] std::string RandomStep(const TestDrive& drive, Random* random,
                                        std::vector<std::string>* folders,
                                        std::vector<std::string>* files) {
  auto pick = [&](std::vector<std::string>* from) -> std::string {
    return from->empty() ? std::string()
                         : (*from)[random->Next(static_cast<uint32_t>(from->size()))];
  };
  auto forget_below = [&](const std::string& path) {
    for (std::vector<std::string>* list : {folders, files}) {
      list->erase(std::remove_if(list->begin(), list->end(),
                                 [&](const std::string& p) {
                                   return p == path || StartsWithNoCase(p, path + "\\");
                                 }),
                  list->end());
    }
  };
  const std::string holder = random->Next(4) == 0 ? drive.Root() : pick(folders);
  switch (random->Next(8)) {
    case 0: {  // a file
      const std::string path = holder + "\\" + TestName(random);
      if (PathExists(path) || !testing::MakeFile(path, random->Next(5000))) return "nothing";
      testing::SetWriteTime(path, RandomSeconds(random));
      files->push_back(path);
      return "create " + path;
    }
    case 1: {  // a folder with a few files made at once
      const std::string path = holder + "\\" + TestName(random);
      if (PathExists(path) || !CreateFolder(path)) return "nothing";
      folders->push_back(path);
      for (uint32_t i = random->Next(4); i > 0; --i) {
        const std::string file = path + "\\" + TestName(random);
        if (testing::MakeFile(file)) files->push_back(file);
      }
      return "create folder " + path;
    }
    case 2:
    case 3: {  // a rename or a move, of a file or a folder with all below it
      std::vector<std::string>* list = random->Next(3) == 0 ? folders : files;
      const std::string from = pick(list);
      const std::string to_holder = random->Next(2) ? holder : from.substr(0, from.rfind('\\'));
      const std::string to = to_holder + "\\" + TestName(random);
      if (from.empty() || PathExists(to) || StartsWithNoCase(to, from + "\\")) return "nothing";
      if (!RenamePath(from, to)) return "nothing";
      forget_below(from);
      if (list == folders) {
        // What was below comes along; the test learns it again from the disk.
        std::vector<DiskEntry> moved;
        WalkDisk(to, &moved);
        folders->push_back(to);
        for (const DiskEntry& entry : moved)
          (entry.folder ? folders : files)->push_back(entry.path);
      } else {
        files->push_back(to);
      }
      return "rename " + from + " -> " + to;
    }
    case 4: {  // a file deleted
      const std::string path = pick(files);
      if (path.empty() || !RemoveFile(path)) return "nothing";
      forget_below(path);
      return "delete " + path;
    }
    case 5: {  // a folder deleted with everything in it
      const std::string path = pick(folders);
      if (path.empty() || StartsWithNoCase(drive.At("Keep"), path) || !DeleteFolderTree(path))
        return "nothing";
      forget_below(path);
      return "delete folder " + path;
    }
    default: {  // a time changed
      const std::string path = pick(random->Next(3) == 0 ? folders : files);
      if (path.empty() || !testing::SetWriteTime(path, RandomSeconds(random))) return "nothing";
      return "time of " + path;
    }
  }
}

// Under Wine the host's notifications miss some changes of a long random run (a file moved out of
// a folder made where another had just been deleted: docs/live-index.md), so the random run is
// the Linux stand-in's; the Win32 build runs the scripted steps below.
#ifndef _WIN32
TEST_F(LiveUpdate, SearchesFollowRandomChanges) {
  Random random(21);
  std::vector<std::string> folders = {drive_.At("Keep"), drive_.At("Keep\\Inner")};
  std::vector<std::string> files;
  ASSERT_TRUE(CreateFolder(folders[0]) && CreateFolder(folders[1]));
  for (int i = 0; i < 60; ++i) RandomStep(drive_, &random, &folders, &files);
  Start(false);
  const std::vector<SearchRequest> requests = FixedRequests(drive_.Root());
  ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "before any change"));
  int steps = 0;
  for (int i = 0; i < 70; ++i) {
    const std::string step = RandomStep(drive_, &random, &folders, &files);
    if (step == "nothing") continue;
    ++steps;
    ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "step " + std::to_string(i) + ": " + step));
  }
  EXPECT_GT(steps, 40);
  {  // paging over the merged answer: the pages of 7 put together are the whole answer
    SearchRequest all;
    uint32_t total = 0;
    std::vector<std::string> whole = PagePaths(manager_.get(), all, 1, -1, &total);
    std::vector<std::string> pages;
    for (int page = 1; pages.size() < total && page < 1000; ++page) {
      uint32_t page_total = 0;
      std::vector<std::string> part = PagePaths(manager_.get(), all, page, 7, &page_total);
      EXPECT_EQ(page_total, total);
      EXPECT_LE(part.size(), 7u);
      pages.insert(pages.end(), part.begin(), part.end());
    }
    EXPECT_EQ(pages, whole);
    EXPECT_GT(manager_->GetLiveStatus().layerSize, 0u);
  }
  {  // sorted as a whole, the additions take their places among the index's entries
    testing::ExpectSortedPagesMatch(manager_.get(), SearchRequest(), "with live changes", 5);
  }
  {  // a rebuild folds the changes into the index: the same answers from an empty layer
    manager_->Refresh();
    ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "after a rebuild"));
  }
}
#endif

TEST_F(LiveUpdate, ScriptedChangesFollowTheDisk) {
  ASSERT_TRUE(CreateFolder(drive_.At("Keep")));
  ASSERT_TRUE(CreateFolder(drive_.At("Keep\\Inner")));
  ASSERT_TRUE(CreateFolder(drive_.At("old")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("old\\abc.doc")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("Keep\\bcd.jpg")));
  Start(false);
  const std::vector<SearchRequest> requests = FixedRequests(drive_.Root());
  const std::vector<std::pair<std::string, std::function<bool()>>> steps = {
      {"a file", [&] { return testing::MakeFile(drive_.At("Keep\\Inner\\bad.mp3")); }},
      {"a folder with a file",
       [&] {
         return CreateFolder(drive_.At("Keep\\fresh")) &&
                testing::MakeFile(drive_.At("Keep\\fresh\\ab报告.doc"));
       }},
      {"a rename",
       [&] { return RenamePath(drive_.At("Keep\\bcd.jpg"), drive_.At("Keep\\e.exe")); }},
      {"a move",
       [&] { return RenamePath(drive_.At("old\\abc.doc"), drive_.At("Keep\\Inner\\abc.doc")); }},
      {"hidden", [&] { return RenamePath(drive_.At("Keep\\e.exe"), drive_.At(".e.exe")); }},
      {"a time",
       [&] { return testing::SetWriteTime(drive_.At("Keep\\Inner\\bad.mp3"), 1110000000); }},
      {"a folder moved", [&] { return RenamePath(drive_.At("old"), drive_.At("Keep\\moved")); }},
      {"a file into it", [&] { return testing::MakeFile(drive_.At("Keep\\moved\\bcd.txt")); }},
      {"the folder renamed again",
       [&] { return RenamePath(drive_.At("Keep\\moved"), drive_.At("Keep\\moved2")); }},
      {"a folder made in it",
       [&] {
         return CreateFolder(drive_.At("Keep\\moved2\\sub")) &&
                testing::MakeFile(drive_.At("Keep\\moved2\\sub\\cde.jpg"));
       }},
      {"a file deleted", [&] { return RemoveFile(drive_.At("Keep\\Inner\\bad.mp3")); }},
      {"a folder deleted", [&] { return DeleteFolderTree(drive_.At("Keep\\fresh")); }},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(step.second()) << step.first;
    ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, step.first));
  }
}

// Blocks the watch thread in the live listener until released.
class ListenerGate {
 public:
  void Enter() {
    std::unique_lock<std::mutex> hold(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(hold, [&] { return open_; });
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::seconds(20), [&] { return entered_; });
  }
  void Open() {
    std::lock_guard<std::mutex> hold(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool open_ = false;
};

TEST_F(LiveUpdate, LostChangesAskForARebuild) {
  ASSERT_TRUE(CreateFolder(drive_.At("burst")));
  Start(true);
  ListenerGate gate;
  manager_->SetLiveListener([&] { gate.Enter(); });
  // The watch thread stops in the listener after the first change; the changes made meanwhile
  // pile up in the system until it drops some.
  ASSERT_TRUE(testing::MakeFile(drive_.At("first.txt")));
  ASSERT_TRUE(gate.WaitEntered());
  constexpr int kBurst = 20000;
  for (int i = 0; i < kBurst; ++i) {
    ASSERT_TRUE(testing::MakeFile(drive_.At("burst\\f" + std::to_string(i) + ".dat")));
  }
  gate.Open();
  ASSERT_TRUE(WaitUntil([&] { return environment_->builds.load() >= 1; }))
      << "lost " << manager_->GetLiveStatus().lost;
  EXPECT_GE(manager_->GetLiveStatus().lost, 1u);
  manager_->SetLiveListener(nullptr);
  // The rebuild brings every file, none lost.
  SearchRequest burst = MakeSearchRequest("dat", drive_.At("burst"), kCategoryAll, false, 0, 0);
  uint32_t total = 0;
  ASSERT_TRUE(WaitUntil([&] {
    SearchResult* result = manager_->Search(burst, 1, 1, &total);
    if (result != nullptr) result->Release();
    return total == static_cast<uint32_t>(kBurst);
  })) << total;
}

TEST_F(LiveUpdate, ChangesDuringARebuildSurviveItsSwap) {
  ASSERT_TRUE(testing::MakeFile(drive_.At("old.txt")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("walked.txt")));
  Start(false);
  const std::vector<SearchRequest> requests = FixedRequests(drive_.Root());
  // Made after the build's walk, before its swap: the new index cannot hold them.
  environment_->after_build = [&] {
    EXPECT_TRUE(testing::MakeFile(drive_.At("during.txt")));
    EXPECT_TRUE(RemoveFile(drive_.At("walked.txt")));
    EXPECT_TRUE(CreateFolder(drive_.At("during-folder")));
    EXPECT_TRUE(testing::MakeFile(drive_.At("during-folder\\inside.doc")));
    ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "during the build"));
  };
  ASSERT_TRUE(RemoveFile(drive_.At("old.txt")));  // before the build: the walk sees it gone
  ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "before the build"));
  manager_->Refresh();
  environment_->after_build = nullptr;
  ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "after the swap"));
  // Only what the build could not see is still in the layer: the new file and folder (and
  // their holders' times), the removed walked.txt.
  EXPECT_GT(manager_->GetLiveStatus().layerSize, 0u);
  EXPECT_LT(manager_->GetLiveStatus().layerSize, 10u);
}

TEST_F(LiveUpdate, SettingOffChangesNothing) {
  ASSERT_TRUE(testing::MakeFile(drive_.At("kept.txt")));
  ASSERT_TRUE(testing::MakeFile(drive_.At("gone.txt")));
  Start(false);
  const SearchRequest all;
  const std::vector<std::string> indexed = Actual(manager_.get(), all);
  const std::vector<SearchRequest> requests = FixedRequests(drive_.Root());
  ASSERT_TRUE(testing::MakeFile(drive_.At("new.txt")));
  ASSERT_TRUE(RemoveFile(drive_.At("gone.txt")));
  ASSERT_NO_FATAL_FAILURE(ExpectFollowsDisk(requests, "live"));
  {  // turned off: the layer goes, the searches give the index as it was built
    environment_->live_update = false;
    ASSERT_TRUE(WaitUntil([&] {
      IndexManager::LiveStatus status = manager_->GetLiveStatus();
      return !status.on && status.drives == 0;
    }));
    EXPECT_EQ(Actual(manager_.get(), all), indexed);
    EXPECT_EQ(manager_->GetLiveStatus().layerSize, 0u);
  }
  {  // and changes made while it is off are not looked at
    ASSERT_TRUE(testing::MakeFile(drive_.At("while-off.txt")));
    ASSERT_TRUE(RemoveFile(drive_.At("kept.txt")));
    EXPECT_EQ(Actual(manager_.get(), all), indexed);
  }
  {  // a manager that never followed the disk answers the same
    IndexManager plain(work_.work, std::make_unique<FakeEnvironment>(&work_.settings, work_.build),
                       false);
    EXPECT_EQ(Actual(&plain, all), indexed);
  }
}

}  // namespace
}  // namespace sorvik
