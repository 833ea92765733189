// Every file of a real index (the initials index's too), truncated at many points and with bytes
// changed at many offsets: every search (with every filter and with pinyin initials), detail
// read and month list afterwards returns normally with an answer, "no match" or "no index"; and
// an index with a file cut short answers as the whole one did or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "index/name_index_format.h"
#include "lifecycle/index_manager.h"
#include "lifecycle/index_schedule.h"
#include "query/search_result.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::TestDrive;
using testing::WorkFolder;

// GBK: "report" and "music".
const std::string kReport = "\xB1\xA8\xB8\xE6";
const std::string kMusic = "\xD2\xF4\xC0\xD6";

void MakeTree(const TestDrive& drive) {
  ASSERT_TRUE(drive.Mapped());
  for (const char* folder : {"docs", "docs\\sub", "pictures"}) {
    ASSERT_TRUE(CreateFolder(drive.At(folder)));
  }
  ASSERT_TRUE(CreateFolder(drive.At(kMusic)));
  int64_t time = 1205539200;  // 2008-03-15, then 40 days apart
  for (const std::string& name :
       {std::string("docs\\report_2008.doc"), "docs\\" + kReport + "2008.pdf",
        std::string("docs\\sub\\notes.txt"), kMusic + "\\song.mp3",
        kMusic + "\\a" + kMusic + ".wma", std::string("pictures\\[a]{b}_c.png"),
        std::string("pictures\\photo.jpg"), std::string(".hidden.txt"), std::string("setup.exe"),
        std::string("Report_2008.xls"), std::string(140, 'x') + "report.txt"}) {
    ASSERT_TRUE(testing::MakeFile(drive.At(name)));
    ASSERT_TRUE(testing::SetWriteTime(drive.At(name), time));
    time += 40 * 86400;
  }
}

std::vector<SearchRequest> Requests() {
  std::vector<SearchRequest> requests;
  auto add = [&](const std::string& keywords, const std::string& location, int32_t category,
                 bool hidden, int year, int month) {
    requests.push_back(MakeSearchRequest(keywords, location, category, hidden, year, month));
  };
  add("", "", -1, false, 0, 0);
  add("report", "", -1, false, 0, 0);
  add("re", "", -1, false, 0, 0);
  add(kReport + " 2008, song , [a]", "", -1, false, 0, 0);
  add("a b c d e f", "", -1, false, 0, 0);
  add(std::string(130, 'x'), "", -1, false, 0, 0);
  add("", "G:", 0, false, 0, 0);
  // Pinyin initials: through the initials index, long names included.
  for (const char* keywords : {"bg2008", "yy,yl", "ayy.wma", "xreport", "xxxr re"}) {
    add(keywords, "", -1, false, 0, 0);
    requests.back().pinyin = true;
  }
  add("report", "G:\\docs", 3, false, 2008, 0);
  add("", "g:\\DOCS\\sub", -1, true, 0, 0);
  add("", "G:\\" + kMusic, 5, false, 2008, 4);
  for (int category = 1; category <= 4; ++category) add("", "", category, true, 0, 0);
  return requests;
}

// A page of ascending ids, no longer than the total or the page size.
void ExpectWellFormed(const SearchResult& result, uint32_t total, uint32_t page_size) {
  ASSERT_LE(result.ids.size(), total);
  ASSERT_LE(result.ids.size(), page_size);
  for (size_t i = 1; i < result.ids.size(); ++i) ASSERT_LT(result.ids[i - 1], result.ids[i]);
}

// One search; a null result means "no index".
void SearchOnce(IndexManager* manager, const SearchRequest& request, int page, int page_size) {
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, page, page_size, &total);
  if (result == nullptr) return;
  ExpectWellFormed(*result, total, page_size < 0 ? total : static_cast<uint32_t>(page_size));
  result->Sort(kSortFolder, false);
  result->Sort(kSortSize, true);
  std::string path;
  for (uint32_t id : result->ids) result->GetFullPath(id, &path);
  result->Release();
}

// Everything the program reads from a loaded index, once.
void ReadEverything(IndexManager* manager, const std::vector<SearchRequest>& requests) {
  for (const SearchRequest& request : requests) SearchOnce(manager, request, 1, 800);
  SearchOnce(manager, requests[1], 2, 3);
  SearchOnce(manager, requests[0], 1, -1);
  EntryDetails details;
  for (uint32_t id : {0u, 1u, 5u, 1000u, 0x80000000u, 0xFFFFFFFFu})
    manager->GetDetails(id, &details);
  for (int slot = 0; slot < 6; ++slot) {
    std::vector<uint16_t> codes;
    EXPECT_LE(manager->MonthCodesOf(slot, &codes), 250u);
  }
}

// What a loaded index answers to every request (page 1: the total, each id and its path) and
// its month lists; empty when there is no index. A damaged index must answer like the whole one
// or not at all.
std::vector<std::string> Answers(IndexManager* manager,
                                 const std::vector<SearchRequest>& requests) {
  std::vector<std::string> answers;
  for (const SearchRequest& request : requests) {
    uint32_t total = 0;
    SearchResult* result = manager->Search(request, 1, -1, &total);
    if (result == nullptr) return {};
    std::string answer = std::to_string(total) + ":";
    std::string path;
    for (uint32_t id : result->ids) {
      result->GetFullPath(id, &path);
      answer += std::to_string(id) + "=" + path + ";";
    }
    result->Release();
    answers.push_back(answer);
  }
  for (int slot = 0; slot < 6; ++slot) {
    std::vector<uint16_t> codes;
    manager->MonthCodesOf(slot, &codes);
    std::string answer;
    for (uint16_t code : codes) answer += std::to_string(code) + ",";
    answers.push_back(answer);
  }
  return answers;
}

// Truncation lengths: the first bytes one by one, then evenly spread, the last bytes.
std::vector<size_t> CutPoints(size_t size) {
  std::vector<size_t> points;
  for (size_t n = 0; n <= 9 && n < size; ++n) points.push_back(n);
  for (size_t i = 1; i < 12; ++i) points.push_back(size * i / 12);
  for (size_t back : {4, 1}) {
    if (size > back) points.push_back(size - back);
  }
  return points;
}

// Offsets to damage: the header, then evenly spread; for a key matrix (index.mtr, index.pym) the
// header, the bitmaps of keys that occur, and the key blocks.
std::vector<size_t> DamagePoints(const std::vector<uint8_t>& bytes, bool matrix) {
  std::vector<size_t> points;
  for (size_t n = 0; n < 8 && n < bytes.size(); ++n) points.push_back(n);
  size_t from = 8;
  if (matrix && bytes.size() > names::kKeyBlocksOffset) {
    for (size_t at = names::kBitmapsOffset, found = 0; at < names::kKeyBlocksOffset && found < 8;
         at += 97) {
      if (bytes[at] != 0) points.push_back(at), ++found;
    }
    from = names::kKeyBlocksOffset;
  }
  const size_t span = bytes.size() > from ? bytes.size() - from : 0;
  for (size_t i = 0; i < 30 && span > 0; ++i) points.push_back(from + span * i / 30);
  return points;
}

TEST(CorruptionSweep, DamagedIndexFilesNeverBreakAnyRead) {
  TestDrive drive('G');
  MakeTree(drive);
  WorkFolder work("G:");
  auto manager = std::make_unique<IndexManager>(
      work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build), false);
  manager->Refresh();
  ASSERT_TRUE(manager->HasLoadedIndex());
  // A removal list: entry 3, and folder 2 with the 4 entries below it.
  testing::WriteBytes(work.Live() + "\\remove.dat", {3, 0, 0, 0, 2, 0, 0, 0x80, 4, 0, 0, 0});
  const std::vector<SearchRequest> requests = Requests();
  const std::vector<std::string> whole = Answers(manager.get(), requests);
  ASSERT_FALSE(whole.empty());
  manager.reset();
  const uint8_t kPatterns[] = {0xFF, 0x00, 0x01, 0x80, 0x7F};
  int variants = 0;
  struct Wrong {
    int cut = 0;      // cut short, answered wrongly
    int changed = 0;  // a byte changed, answered wrongly
    int refused = 0;  // no index: the search fails
  };
  std::map<std::string, Wrong> wrong_by_file;
  for (const char* name : {"db.txt", "db.txt.mai", "index.rw", "index.cm", "index.dm", "index.mtr",
                           "index.dat", "remove.dat", "index.pym", "index.pyd"}) {
    const std::string path = work.Live() + "\\" + name;
    const std::vector<uint8_t> pristine = testing::ReadBytes(path);
    ASSERT_FALSE(pristine.empty()) << name;
    Wrong& wrong = wrong_by_file[name];
    // Every read returns normally; an index that answers at all answers as the whole one did.
    auto read_with = [&](const std::vector<uint8_t>& damaged, int* wrong_answers) {
      testing::WriteBytes(path, damaged);
      IndexManager damaged_manager(
          work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build), false);
      ReadEverything(&damaged_manager, requests);
      const std::vector<std::string> answers = Answers(&damaged_manager, requests);
      if (!answers.empty() && answers != whole) ++*wrong_answers;
      if (answers.empty()) ++wrong.refused;
      ++variants;
    };
    for (size_t cut : CutPoints(pristine.size())) {  // truncated
      if (cut == pristine.size()) continue;
      read_with(std::vector<uint8_t>(pristine.begin(), pristine.begin() + cut), &wrong.cut);
    }
    size_t round = 0;
    const bool matrix = std::string(name) == "index.mtr" || std::string(name) == "index.pym";
    for (size_t at : DamagePoints(pristine, matrix)) {  // bytes changed
      std::vector<uint8_t> damaged = pristine;
      const uint8_t pattern = kPatterns[round++ % sizeof kPatterns];
      damaged[at] = pattern == 0x01 || pattern == 0x80 ? damaged[at] ^ pattern : pattern;
      if (damaged != pristine) read_with(damaged, &wrong.changed);
    }
    testing::WriteBytes(path, pristine);
  }
  EXPECT_GT(variants, 300);
  // Per file: the damaged variants that answered, wrongly, as if nothing were amiss. A file
  // cut short never does; a changed byte inside a name, a date, a bitmap or a list can, as no
  // file carries a checksum, and is counted for the record. The removal list has no length of
  // its own: cut at a value boundary it is a shorter list, and deleted entries show again.
  for (const auto& file : wrong_by_file) {
    std::printf("damage sweep %-11s wrong answers: %d cut, %d changed; refused %d\n",
                file.first.c_str(), file.second.cut, file.second.changed, file.second.refused);
    if (file.first != "remove.dat") {
      EXPECT_EQ(file.second.cut, 0) << file.first;
    }
  }
  {  // an index.mtr whose version word is not 100 is not usable, and nothing is loaded from it
    const std::string matrix = work.Live() + "\\index.mtr";
    const std::vector<uint8_t> pristine = testing::ReadBytes(matrix);
    for (uint32_t version : {0u, 99u, 101u, 100u + 256u, 0x64000000u, 0xFFFFFFFFu}) {
      std::vector<uint8_t> damaged = pristine;
      std::memcpy(damaged.data(), &version, 4);
      testing::WriteBytes(matrix, damaged);
      IndexManager refused(work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build),
                           false);
      EXPECT_FALSE(refused.IndexUsable()) << version;
      EXPECT_FALSE(refused.HasLoadedIndex()) << version;
    }
    testing::WriteBytes(matrix, pristine);
    EXPECT_TRUE(IndexUsableAt(work.Live()));
  }
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

// A key whose bitmap marks a position without a cell is found by the first search that reads it,
// not at load: every search that reads it fails with the reason kept, none answers "no match";
// a search that reads no key still answers.
TEST(CorruptionSweep, AKeyAtFaultIsFoundByTheSearchThatReadsIt) {
  TestDrive drive('G');
  MakeTree(drive);
  WorkFolder work("G:");
  {
    IndexManager builder(work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build),
                         false);
    builder.Refresh();
    ASSERT_TRUE(builder.HasLoadedIndex());
  }
  const std::string matrix = work.Live() + "\\index.mtr";
  std::vector<uint8_t> bytes = testing::ReadBytes(matrix);
  ASSERT_GT(bytes.size(), names::kKeyBlocksOffset);
  for (uint32_t key = 0; key < names::kKeyCount; ++key) {
    uint8_t* bits = &bytes[names::kBitmapsOffset + key * names::kBitmapBytes];
    if (std::any_of(bits, bits + names::kBitmapBytes, [](uint8_t b) { return b != 0; })) {
      bits[names::kBitmapBytes - 1] |= 0x80;  // position 128: no name here is that long
    }
  }
  testing::WriteBytes(matrix, bytes);
  IndexManager manager(work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build),
                       false);
  uint32_t total = 0;
  SearchResult* all = manager.Search(MakeSearchRequest("", "", -1, false, 0, 0), 1, 800, &total);
  ASSERT_NE(all, nullptr);
  EXPECT_GT(total, 5u);
  all->Release();
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_EQ(manager.Search(MakeSearchRequest("report", "", -1, false, 0, 0), 1, 800, &total),
              nullptr);
  }
  all = manager.Search(MakeSearchRequest("", "", 1, false, 0, 0), 1, 800, &total);
  ASSERT_NE(all, nullptr);
  all->Release();
  EXPECT_NE(manager.LastBuildProblem().find("is damaged: the name index's key "), std::string::npos)
      << manager.LastBuildProblem();
}

}  // namespace
}  // namespace sorvik
