// The whole search against a brute-force scan: a generated tree is walked and indexed for real,
// then many random requests are answered by the index manager and by checking every entry's
// name, path, kind, time and attributes directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

#ifndef _WIN32
#include "platform/posix/native_path.h"
#endif

#include "index/initials_format.h"
#include "index/pinyin_initials.h"
#include "index/pinyin_readings.h"
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
using testing::InitialChoices;
using testing::Random;
using testing::RandomName;
using testing::StartsWithNoCase;
using testing::TestDrive;
using testing::WorkFolder;

struct Entry {
  bool folder = false;
  bool hidden = false;
  int64_t seconds = 0;
  std::string name;
  std::string extension;  // the generator's extension, "" for none
};

// Creates a file of `size` bytes without the flush that closing a WinFile costs.
bool MakeFile(const std::string& path, uint32_t size) {
#ifdef _WIN32
  FILE* file = std::fopen(path.c_str(), "wb");
#else
  FILE* file = std::fopen(NativePath(path).c_str(), "wb");
#endif
  if (file == nullptr) return false;
  const std::string bytes(size, 'x');
  const bool written = std::fwrite(bytes.data(), 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

// Builds a tree of `count` entries below `root` and returns path -> entry.
std::map<std::string, Entry> MakeTree(const std::string& root, uint32_t count, Random* random) {
  std::map<std::string, Entry> tree;
  std::vector<std::string> folders = {root};
  std::vector<std::pair<std::string, int64_t>> folder_times;
  for (uint32_t serial = 0; serial < count; ++serial) {
    const std::string holder = folders[random->Next(static_cast<uint32_t>(folders.size()))];
    Entry entry;
    // Folders stay below 150 bytes, so every file path stays below 250.
    entry.folder = random->Next(6) == 0 && holder.size() < 120;
    entry.name =
        RandomName(random, serial, (entry.folder ? 150 : 250) - holder.size(), &entry.extension);
    entry.hidden = entry.name[0] == '.';
    entry.seconds = 946684800 + static_cast<int64_t>(random->Next(9000)) * 86400;  // 2000-2024
    std::string path = holder + "\\" + entry.name;
    if (entry.folder) {
      EXPECT_TRUE(CreateFolder(path)) << path;
      folders.push_back(path);
      folder_times.emplace_back(path, entry.seconds);
    } else {
      // Sizes of a few kinds, with ties, for the size order
      // (from the serial, not from `random`, so that the tree's names stay those it always had).
      const uint32_t mixed = serial * 2654435761u;
      const uint32_t size = serial % 3 == 0 ? 0 : (mixed >> 20) % 4 * 700 + (mixed >> 10) % 3;
      EXPECT_TRUE(MakeFile(path, size)) << path;
      EXPECT_TRUE(testing::SetWriteTime(path, entry.seconds)) << path;
    }
    tree[path] = entry;
  }
  for (const auto& folder : folder_times) testing::SetWriteTime(folder.first, folder.second);
  return tree;
}

// The category of each extension the generator uses, stated here on its own (not taken from the
// walker's lists), so that a wrong list entry shows up as a mismatch. Matching ignores case; the
// extension is the text after the last dot, so ".tar.GZ" is "GZ" and in no category.
int CategoryOf(const Entry& entry) {
  if (entry.folder) return kCategoryFolders;
  static const std::map<std::string, int> kExpected = {{"", kCategoryAll},
                                                       {".txt", kCategoryAll},
                                                       {".JPG", kCategoryPictures},
                                                       {".jpeg", kCategoryPictures},
                                                       {".doc", kCategoryDocuments},
                                                       {".Docx", kCategoryDocuments},
                                                       {".exe", kCategoryApplications},
                                                       {".mp3", kCategoryMedia},
                                                       {".rmvb", kCategoryMedia},
                                                       {".gz", kCategoryAll},
                                                       {".MSI", kCategoryApplications},
                                                       {".pdf", kCategoryDocuments},
                                                       {".tar.GZ", kCategoryAll}};
  auto found = kExpected.find(entry.extension);
  EXPECT_NE(found, kExpected.end()) << entry.extension;
  return found == kExpected.end() ? kCategoryAll : found->second;
}

uint16_t MonthCodeOf(int64_t seconds) {
  LocalTime local;
  FileTimeToLocal(static_cast<uint64_t>(seconds + testing::kEpochDifference) * 10000000ULL, &local);
  return snapshot::MonthCode(local.year, local.month);
}

// A keyword line made of pieces of the tree's names, in random case, with alternatives.
std::string RandomKeywords(const std::vector<std::string>& names, Random* random) {
  if (random->Next(15) == 0) return random->Next(2) ? "" : ",,";
  std::string line;
  uint32_t alternatives = 1 + random->Next(random->Next(3) == 0 ? 3 : 1);
  for (uint32_t a = 0; a < alternatives; ++a) {
    if (a > 0) line += random->Next(2) ? "," : "，";
    uint32_t words = 1 + random->Next(random->Next(4) == 0 ? 6 : 2);
    for (uint32_t w = 0; w < words; ++w) {
      const std::string& name = names[random->Next(static_cast<uint32_t>(names.size()))];
      size_t start = random->Next(static_cast<uint32_t>(name.size()));
      while (start > 0 && GbkCharLength(name, 0) == 2 && start % 2 == 1) --start;
      size_t length = 1 + random->Next(random->Next(8) == 0 ? 130 : 6);
      std::string word = name.substr(start, length);
      for (char& c : word) {
        if (random->Next(2) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      }
      line += (w > 0 ? " " : "") + word;
    }
  }
  return line;
}

// A word a user might type for a name by initials: from some character on, a random initial of
// each Chinese character and the other ASCII bytes in random case, until a character without
// initials or 2 to 6 bytes.
std::string InitialsWord(const std::string& name, Random* random) {
  const std::vector<std::vector<std::string>> choices = InitialChoices(name);
  std::string word;
  const size_t length = 2 + random->Next(5);
  for (size_t at = random->Next(static_cast<uint32_t>(choices.size()));
       at < choices.size() && word.size() < length; ++at) {
    const std::string& text = choices[at][random->Next(static_cast<uint32_t>(choices[at].size()))];
    if (static_cast<uint8_t>(text[0]) >= 0x80) break;
    word += random->Next(2) ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))
                            : text[0];
  }
  return word;
}

// A word a user might type for a name by full pinyin: from some character on, a prefix of a
// random reading of each Chinese character (its initial up to the whole syllable) and the other
// ASCII bytes in random case, until a character without readings or 2 to 12 bytes.
std::string FullPinyinWord(const std::string& name, Random* random) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < name.size(); i += GbkCharLength(name, i)) {
    chars.push_back(name.substr(i, GbkCharLength(name, i)));
  }
  std::string word;
  const size_t length = 2 + random->Next(11);
  for (size_t at = random->Next(static_cast<uint32_t>(chars.size()));
       at < chars.size() && word.size() < length; ++at) {
    const std::string& text = chars[at];
    if (text.size() == 1 && static_cast<uint8_t>(text[0]) < 0x80) {
      word += random->Next(2) ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))
                              : text[0];
      continue;
    }
    const PinyinReadings readings =
        text.size() == 2 ? PinyinReadingsOf(text[0], text[1]) : PinyinReadings();
    if (readings.count == 0) break;
    const std::string syllable = PinyinSyllable(readings.ids[random->Next(readings.count)]);
    word += syllable.substr(0, 1 + random->Next(static_cast<uint32_t>(syllable.size())));
  }
  return word;
}

// Full and mixed pinyin words for the tree's Chinese words (中文 文件 报告 图片 表 新建), with
// cuts that are ambiguous or whose syllables are prefixes of others, and words that must not
// match.
const char* const kPinyinWords[] = {"xian",
                                    "fangan",
                                    "changan",
                                    "baogao",
                                    "bgao",
                                    "baog",
                                    "zhongwen",
                                    "zhongw",
                                    "wenjian",
                                    "wjian",
                                    "wenj",
                                    "tupian",
                                    "tup",
                                    "biao",
                                    "bi",
                                    "xinjian",
                                    "xjwenjian",
                                    "jianbao",
                                    "wenjianbg",
                                    "databiao",
                                    "reportbg",
                                    "tupianx",
                                    "baogaox",
                                    "zwenjian",
                                    "xinjia",
                                    "jianb",
                                    "wenjianbaogaotupian",
                                    "zhongwenwenjianbaogao"};

// A keyword line of full or mixed pinyin words, now and then two words or a piece of a name.
std::string RandomPinyinKeywords(const std::vector<std::string>& names, Random* random) {
  std::string line;
  const uint32_t words = 1 + random->Next(random->Next(3) == 0 ? 2 : 1);
  for (uint32_t w = 0; w < words; ++w) {
    const std::string& name = names[random->Next(static_cast<uint32_t>(names.size()))];
    const uint32_t kind = random->Next(6);
    std::string word =
        kind == 0   ? RandomKeywords({name}, random)
        : kind <= 2 ? kPinyinWords[random->Next(sizeof kPinyinWords / sizeof kPinyinWords[0])]
                    : FullPinyinWord(name, random);
    line += (w > 0 ? " " : "") + word;
  }
  return line;
}

// A keyword line of initials words, now and then with a piece of a name beside them.
std::string RandomInitialsKeywords(const std::vector<std::string>& names, Random* random) {
  std::string line;
  const uint32_t alternatives = 1 + random->Next(random->Next(3) == 0 ? 2 : 1);
  for (uint32_t a = 0; a < alternatives; ++a) {
    if (a > 0) line += ",";
    const uint32_t words = 1 + random->Next(random->Next(3) == 0 ? 2 : 1);
    for (uint32_t w = 0; w < words; ++w) {
      const std::string& name = names[random->Next(static_cast<uint32_t>(names.size()))];
      std::string word =
          random->Next(5) == 0 ? RandomKeywords({name}, random) : InitialsWord(name, random);
      line += (w > 0 ? " " : "") + word;
    }
  }
  return line;
}

// One tree and index for the whole suite: building them is the slow part.
class SearchModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_ = new SearchModel::State; }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

  struct State {
    State();
    TestDrive drive{'K'};
    WorkFolder work{"K:"};
    std::map<std::string, Entry> tree;
    std::map<uint32_t, std::string> ids;  // entry id -> full path
    std::vector<std::string> names;
    std::unique_ptr<IndexManager> manager;
  };
  static State* shared_;

  void SetUp() override {
    ASSERT_NE(shared_, nullptr);
    ASSERT_TRUE(shared_->manager && shared_->manager->HasLoadedIndex());
  }

  // The ids the request should select, by brute force.
  std::vector<uint32_t> Expected(const SearchRequest& request) {
    const ParsedKeywords parsed = ParseKeywords(request.keywords);
    std::vector<uint32_t> ids;
    for (const auto& item : ids_) {
      const Entry& entry = tree_[item.second];
      if (removed_.count(item.first)) continue;
      const testing::OracleEntry seen{item.second,  entry.name,        entry.folder,
                                      entry.hidden, CategoryOf(entry), MonthCodeOf(entry.seconds)};
      if (testing::OracleSelects(request, parsed, seen)) ids.push_back(item.first);
    }
    return ids;
  }

  std::vector<uint32_t> Actual(const SearchRequest& request, uint32_t* total) {
    SearchResult* result = manager_->Search(request, 1, -1, total);
    EXPECT_NE(result, nullptr);
    if (result == nullptr) return {};
    std::vector<uint32_t> ids = result->ids;
    result->Release();
    return ids;
  }

  SearchRequest RandomRequest(Random* random) {
    std::string location;
    if (random->Next(4) == 0) {
      auto it = tree_.begin();
      std::advance(it, random->Next(static_cast<uint32_t>(tree_.size())));
      location = it->second.folder ? it->first : drive_.Root();
      for (size_t i = 0; i < location.size(); i += GbkCharLength(location, i)) {
        char& c = location[i];
        if (random->Next(2)) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      if (random->Next(3) == 0) location += "\\";
    }
    int categories[] = {-1, -1, -1, 0, 1, 2, 3, 4, 5, 7};
    int year = random->Next(4) == 0 ? 2000 + static_cast<int>(random->Next(25)) : 0;
    int month = year != 0 && random->Next(2) ? 1 + static_cast<int>(random->Next(12)) : 0;
    return MakeSearchRequest(NormalizeKeywords(RandomKeywords(names_, random)), location,
                             categories[random->Next(10)], random->Next(10) == 0, year,
                             year == 0 ? -1 : month);
  }

  std::set<uint32_t> removed_;
  TestDrive& drive_ = shared_->drive;
  WorkFolder& work_ = shared_->work;
  std::map<std::string, Entry>& tree_ = shared_->tree;
  std::map<uint32_t, std::string>& ids_ = shared_->ids;
  std::vector<std::string>& names_ = shared_->names;
  std::unique_ptr<IndexManager>& manager_ = shared_->manager;
};

SearchModel::State* SearchModel::shared_ = nullptr;

SearchModel::State::State() {
  if (!drive.Mapped()) return;
  Random random(7);
  tree = MakeTree(drive.Root(), 1500, &random);
  if (!BuildIndex(&work.settings, work.build)) return;
  manager = std::make_unique<IndexManager>(
      work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build), false);
  manager->SwapInNewIndex();
  // Entry ids from the index's own records; every one must be an entry of the tree.
  uint32_t total = 0;
  SearchResult* all = manager->Search(SearchRequest(), 1, -1, &total);
  EXPECT_EQ(total, tree.size());
  for (uint32_t id : all->ids) {
    EntryDetails details;
    EXPECT_TRUE(manager->GetDetails(id, &details));
    EXPECT_EQ(tree.count(details.FullPath()), 1u) << details.FullPath();
    ids[id] = details.FullPath();
    names.push_back(details.name);
  }
  all->Release();
}

TEST_F(SearchModel, RandomRequestsMatchBruteForce) {
  Random random(11);
  int non_empty = 0;
  for (int i = 0; i < 600; ++i) {
    SearchRequest request = RandomRequest(&random);
    uint32_t total = 0;
    std::vector<uint32_t> actual = Actual(request, &total);
    std::vector<uint32_t> expected = Expected(request);
    ASSERT_EQ(actual, expected) << "keywords [" << request.keywords << "] location ["
                                << request.location << "] category " << request.category
                                << " hidden " << int(request.hiddenOnly) << " months "
                                << request.monthFrom << ".." << request.monthTo;
    ASSERT_EQ(total, expected.size());
    non_empty += !expected.empty();
  }
  EXPECT_GT(non_empty, 200);  // the requests really select things
}

TEST_F(SearchModel, PinyinRequestsMatchBruteForce) {
  Random random(23);
  int more = 0;
  for (int i = 0; i < 300; ++i) {
    SearchRequest request = RandomRequest(&random);
    request.keywords = NormalizeKeywords(RandomInitialsKeywords(names_, &random));
    uint32_t total = 0;
    std::vector<uint32_t> plain = Actual(request, &total);
    ASSERT_EQ(plain, Expected(request)) << "without pinyin [" << request.keywords << "]";
    request.pinyin = true;
    std::vector<uint32_t> actual = Actual(request, &total);
    std::vector<uint32_t> expected = Expected(request);
    ASSERT_EQ(actual, expected) << "keywords [" << request.keywords << "] location ["
                                << request.location << "] category " << request.category
                                << " hidden " << int(request.hiddenOnly) << " months "
                                << request.monthFrom << ".." << request.monthTo;
    ASSERT_EQ(total, expected.size());
    ASSERT_TRUE(std::includes(actual.begin(), actual.end(), plain.begin(), plain.end()));
    more += actual.size() > plain.size();
  }
  EXPECT_GT(more, 20);  // the initials really find more than the names alone (33 of 300)
}

TEST_F(SearchModel, FullPinyinRequestsMatchBruteForce) {
  Random random(31);
  int more = 0;
  for (int i = 0; i < 300; ++i) {
    SearchRequest request = RandomRequest(&random);
    request.keywords = NormalizeKeywords(RandomPinyinKeywords(names_, &random));
    request.pinyin = true;
    uint32_t total = 0;
    std::vector<uint32_t> actual = Actual(request, &total);
    ASSERT_EQ(actual, Expected(request)) << "keywords [" << request.keywords << "] location ["
                                         << request.location << "] category " << request.category;
    request.pinyin = false;
    more += actual.size() > Expected(request).size();
  }
  EXPECT_GT(more, 60);  // whole syllables really find what the names alone do not
}

TEST_F(SearchModel, PinyinWithoutTheInitialsIndexMatchesBruteForce) {
  // The index as a build of an older version leaves it: the names are scanned instead.
  const char* const files[] = {initials::kMatrixFile, initials::kPostingFile};
  const std::string live = work_.Live() + "\\";
  auto reload = [&] {
    manager_ = std::make_unique<IndexManager>(
        work_.work, std::make_unique<FakeEnvironment>(&work_.settings, work_.build), false);
  };
  manager_.reset();
  for (const char* file : files) ASSERT_TRUE(RenamePath(live + file, live + file + ".away"));
  reload();
  ASSERT_TRUE(manager_->HasLoadedIndex());
  Random random(23);
  for (int i = 0; i < 100; ++i) {
    SearchRequest request = RandomRequest(&random);
    request.keywords = NormalizeKeywords(RandomInitialsKeywords(names_, &random));
    request.pinyin = true;
    uint32_t total = 0;
    ASSERT_EQ(Actual(request, &total), Expected(request)) << "[" << request.keywords << "]";
  }
  Random full(37);
  for (int i = 0; i < 60; ++i) {
    SearchRequest request = RandomRequest(&full);
    request.keywords = NormalizeKeywords(RandomPinyinKeywords(names_, &full));
    request.pinyin = true;
    uint32_t total = 0;
    ASSERT_EQ(Actual(request, &total), Expected(request)) << "[" << request.keywords << "]";
  }
  manager_.reset();
  for (const char* file : files) ASSERT_TRUE(RenamePath(live + file + ".away", live + file));
  reload();
  ASSERT_TRUE(manager_->HasLoadedIndex());
}

TEST_F(SearchModel, WholeAnswersSortedByEveryKey) {
  Random random(13);
  testing::ExpectSortedPagesMatch(manager_.get(), SearchRequest(), "everything");
  for (int i = 0; i < 12; ++i) {
    const SearchRequest request = RandomRequest(&random);
    testing::ExpectSortedPagesMatch(manager_.get(), request, "request " + request.keywords, 5);
  }
}

TEST_F(SearchModel, PagesAndLocations) {
  uint32_t total = 0;
  SearchRequest everything;
  {  // page 2 of 800 holds ranks 801..1500; a page past the end is empty with the right total
    std::vector<uint32_t> all = Actual(everything, &total);
    SearchResult* page2 = manager_->Search(everything, 2, 800, &total);
    ASSERT_NE(page2, nullptr);
    EXPECT_EQ(total, 1500u);
    EXPECT_EQ(page2->ids, std::vector<uint32_t>(all.begin() + 800, all.end()));
    page2->Release();
    SearchResult* page3 = manager_->Search(everything, 3, 800, &total);
    EXPECT_TRUE(page3->ids.empty());
    EXPECT_EQ(total, 1500u);
    page3->Release();
  }
  {  // the drive itself: "K:" and "k:\" both find every entry
    everything.location = "k:\\";
    EXPECT_EQ(Actual(everything, &total).size(), 1500u);
    everything.location = "K:";
    EXPECT_EQ(Actual(everything, &total).size(), 1500u);
  }
  {  // a folder on disk that the index does not know gives nothing
    ASSERT_TRUE(CreateFolder(drive_.At("made-after-the-build")));
    everything.location = drive_.At("made-after-the-build");
    EXPECT_TRUE(Actual(everything, &total).empty());
    EXPECT_EQ(total, 0u);
    EXPECT_TRUE(DeleteFolderTree(drive_.At("made-after-the-build")));
  }
  {  // a location that is not on disk gives nothing
    everything.location = "K:\\no such folder";
    EXPECT_TRUE(Actual(everything, &total).empty());
  }
}

// Last: it changes the shared index.
TEST_F(SearchModel, RemovalsHideEntriesUntilTheNextBuild) {
  Random random(5);
  // Remove files and folders (with everything below) as the result list would.
  for (const auto& item : ids_) {
    if (random.Next(40) != 0) continue;
    manager_->RecordRemoval(item.first, item.second);
    removed_.insert(item.first);
    // A search between removals: the list it opens must show the later ones too.
    uint32_t total = 0;
    if (removed_.size() == 1) Actual(SearchRequest(), &total);
    if (tree_[item.second].folder) {
      for (const auto& below : ids_) {
        if (StartsWithNoCase(below.second, item.second + "\\")) removed_.insert(below.first);
      }
    }
  }
  // A removal whose path no longer matches the id is ignored.
  manager_->RecordRemoval(ids_.begin()->first, "K:\\not-this-one");
  ASSERT_FALSE(removed_.empty());
  for (int i = 0; i < 200; ++i) {
    SearchRequest request = RandomRequest(&random);
    uint32_t total = 0;
    ASSERT_EQ(Actual(request, &total), Expected(request)) << request.keywords;
  }
  testing::ExpectSortedPagesMatch(manager_.get(), SearchRequest(), "after removals", 100);
  // A swap of a new build brings them back: remove.dat belongs to the old ids.
  ASSERT_TRUE(BuildIndex(&work_.settings, work_.build));
  manager_->SwapInNewIndex();
  EXPECT_FALSE(PathExists(work_.Live() + "\\remove.dat"));
  uint32_t total = 0;
  Actual(SearchRequest(), &total);
  EXPECT_EQ(total, tree_.size());
}

}  // namespace
}  // namespace sorvik
