// Searches with pinyin over a real index of a small tree: what "bg", "baogao" and their kin find
// with the option on and off, and that the filters and the keyword rules still apply.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "index/initials_format.h"
#include "lifecycle/build_index.h"
#include "lifecycle/index_manager.h"
#include "query/search_request.h"
#include "query/search_result.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::MakeFile;
using testing::TestDrive;
using testing::WorkFolder;
using Names = std::multiset<std::string>;

class PinyinSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(drive_.Mapped());
    for (const char* folder : {"照片2019", "报告"}) ASSERT_TRUE(CreateFolder(drive_.At(folder)));
    for (const char* file :
         {"报告2019a.doc", "长城.txt", "照片2019\\照片.jpg", "照片2019\\bg-plain.txt", "ＢＧ.txt",
          "x\xA8\x41y.txt", "报告\\年度报告.doc", "报告\\.报告隐藏", "银行卡.pdf", "中文 bg.doc",
          "bgm.mp3", "告b.txt"}) {
      ASSERT_TRUE(MakeFile(drive_.At(file))) << file;
    }
    for (const char* file : MoreFiles()) ASSERT_TRUE(MakeFile(drive_.At(file))) << file;
    ASSERT_TRUE(BuildIndex(&work_.settings, work_.build));
    manager_ = std::make_unique<IndexManager>(
        work_.work, std::make_unique<FakeEnvironment>(&work_.settings, work_.build), false);
    manager_->SwapInNewIndex();
    ASSERT_TRUE(manager_->HasLoadedIndex());
  }

  // Loads the index again without its initials index, as a build of an older version leaves it.
  void DropInitialsIndex() {
    manager_.reset();
    for (const char* file : {initials::kMatrixFile, initials::kPostingFile}) {
      ASSERT_TRUE(RemoveFile(work_.Live() + "\\" + file)) << file;
    }
    manager_ = std::make_unique<IndexManager>(
        work_.work, std::make_unique<FakeEnvironment>(&work_.settings, work_.build), false);
    ASSERT_TRUE(manager_->HasLoadedIndex());
  }

  // The names the request finds; checks that the ids come in ascending order, each once.
  Names Find(SearchRequest request, bool pinyin) {
    request.pinyin = pinyin;
    uint32_t total = 0;
    SearchResult* result = manager_->Search(request, 1, -1, &total);
    EXPECT_NE(result, nullptr);
    if (result == nullptr) return {};
    EXPECT_TRUE(std::is_sorted(result->ids.begin(), result->ids.end()));
    EXPECT_EQ(std::adjacent_find(result->ids.begin(), result->ids.end()), result->ids.end());
    EXPECT_EQ(total, result->ids.size());
    Names names;
    for (uint32_t id : result->ids) {
      EntryDetails details;
      EXPECT_TRUE(manager_->GetDetails(id, &details));
      names.insert(details.name);
    }
    result->Release();
    return names;
  }

  // Files the tree holds besides the common ones.
  virtual std::vector<const char*> MoreFiles() const { return {}; }

  Names Find(const std::string& keywords, bool pinyin) {
    SearchRequest request;
    request.keywords = NormalizeKeywords(keywords);
    return Find(request, pinyin);
  }

  TestDrive drive_{'Y'};
  WorkFolder work_{"Y:"};
  std::unique_ptr<IndexManager> manager_;
};

TEST_F(PinyinSearch, InitialsFindChineseNamesOnlyWhenAskedFor) {
  const Names plain = {"bg-plain.txt", "中文 bg.doc", "bgm.mp3"};
  EXPECT_EQ(Find("bg", false), plain);
  Names with = plain;
  with.insert({"报告2019a.doc", "报告", "年度报告.doc", ".报告隐藏"});
  EXPECT_EQ(Find("bg", true), with);  // "中文 bg.doc" matches both ways and is listed once
  EXPECT_EQ(Find("BG", true), with);
  EXPECT_EQ(Find("g20", true), Names({"报告2019a.doc"}));
  EXPECT_EQ(Find("g20", false), Names());
  EXPECT_EQ(Find("bg2019a", true), Names({"报告2019a.doc"}));
  EXPECT_EQ(Find("zp2019", true), Names({"照片2019"}));
}

TEST_F(PinyinSearch, PolyphonicAndUncoveredCharacters) {
  EXPECT_EQ(Find("cc", true), Names({"长城.txt"}));
  EXPECT_EQ(Find("zc", true), Names({"长城.txt"}));
  EXPECT_EQ(Find("yhk", true), Names({"银行卡.pdf"}));
  EXPECT_EQ(Find("yxk", true), Names({"银行卡.pdf"}));
  EXPECT_EQ(Find("ay", true), Names());  // the trail byte of "ˋ" is no letter
  EXPECT_EQ(Find("xy", true), Names());
  EXPECT_EQ(Find("ＢＧ", true), Names({"ＢＧ.txt"}));  // found as itself, as without
  EXPECT_EQ(Find("gb", true), Names({"告b.txt"}));     // 告 is gao (or ju, gu)
  EXPECT_EQ(Find("jb.txt", true), Names({"告b.txt"}));
}

TEST_F(PinyinSearch, KeywordRulesAndFiltersStillApply) {
  EXPECT_EQ(Find("bg 2019", true), Names({"报告2019a.doc"}));  // words are ANDed
  EXPECT_EQ(Find("bg doc", true), Names({"报告2019a.doc", "年度报告.doc", "中文 bg.doc"}));
  EXPECT_EQ(Find("cc,yhk", true), Names({"长城.txt", "银行卡.pdf"}));
  EXPECT_EQ(Find("cc，照片", true), Names({"长城.txt", "照片2019", "照片.jpg"}));
  EXPECT_EQ(Find("bg x", true), Find("bg", true));  // a one-byte word is skipped

  SearchRequest request;
  request.keywords = "bg";
  request.category = kCategoryDocuments;
  EXPECT_EQ(Find(request, true), Names({"报告2019a.doc", "年度报告.doc", "中文 bg.doc"}));
  request.category = kCategoryAll;
  request.location = drive_.At("报告");
  EXPECT_EQ(Find(request, true), Names({"年度报告.doc", ".报告隐藏"}));
  request.location.clear();
  request.hiddenOnly = 1;
  EXPECT_EQ(Find(request, true), Names({".报告隐藏"}));
}

// The same tree with two long names.
class PinyinLongNames : public PinyinSearch {
 protected:
  // 135 ASCII bytes, and 62 characters with 68 bytes: both have more places than the initials
  // matrix lists, and their ends lie beyond the key positions of the name index.
  static constexpr const char* kLongAscii =
      "qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq"
      "qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqxyz.txt";
  static constexpr const char* kLongMixed =
      "长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长长"
      "长长长长长长长长长长长长长长"
      "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww报告.txt";

  std::vector<const char*> MoreFiles() const override {
    std::vector<const char*> files = {kLongAscii, kLongMixed};
    // Names whose initials hold "bg" too (biao ge), so that "baogao" has many to tell apart.
    static const char* const kTables[] = {
        "表格01.txt", "表格02.txt", "表格03.txt", "表格04.txt", "表格05.txt", "表格06.txt",
        "表格07.txt", "表格08.txt", "表格09.txt", "表格10.txt", "表格11.txt", "表格12.txt",
        "表格13.txt", "表格14.txt", "表格15.txt", "表格16.txt", "表格17.txt"};
    files.insert(files.end(), std::begin(kTables), std::end(kTables));
    return files;
  }
};

TEST_F(PinyinLongNames, LongNamesMatchToTheirEnds) {
  EXPECT_EQ(Find("qxyz", false), Names());  // beyond the name keys' positions
  EXPECT_EQ(Find("qxyz", true), Names({kLongAscii}));
  EXPECT_EQ(Find("wbg", true), Names({kLongMixed}));
  EXPECT_EQ(Find("czw", true), Names({kLongMixed}));
  EXPECT_EQ(Find("wbj.txt", true), Names({kLongMixed}));
  EXPECT_EQ(Find("wbgx", true), Names());
}

TEST_F(PinyinLongNames, WholeSyllablesPastTheNameKeys) {
  // 报告 of the long name lies past the bytes the name keys cover.
  EXPECT_EQ(Find("baogao", true),
            Names({"报告2019a.doc", "报告", "年度报告.doc", ".报告隐藏", kLongMixed}));
  EXPECT_EQ(Find("wwbaogao", true), Names({kLongMixed}));
  EXPECT_EQ(Find("biaoge", true).size(), 17u);
}

TEST_F(PinyinLongNames, WithoutTheInitialsIndexTheAnswersStayTheSame) {
  const std::vector<std::string> lines = {"bg",     "BG", "g20",  "bg2019a", "zp2019", "cc",
                                          "yxk",    "ay", "ＢＧ", "gb",      "jb.txt", "bg 2019",
                                          "cc,yhk", "b",  "z",    "qxyz",    "wbg",    "czw",
                                          "ndbg",   "q",  "报告", "x",       "baogao", "biaoge"};
  std::vector<Names> indexed;
  for (const std::string& line : lines) indexed.push_back(Find(line, true));
  DropInitialsIndex();
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Find(lines[i], true), indexed[i]) << lines[i];
  EXPECT_EQ(Find("bg", true).count("年度报告.doc"), 1u);
}

// The same tree with names for whole syllables: cuts that are ambiguous, syllables that are
// prefixes of others, polyphonic characters, "ü", a character without readings inside a run.
class FullPinyin : public PinyinSearch {
 protected:
  std::vector<const char*> MoreFiles() const override {
    return {"西安旅行.jpg", "先进.doc",   "方案.doc", "长安.txt", "行长讲话.doc",
            "吕布.txt",     "报、告.txt", "中秋.txt", "中@.txt"};
  }
};

TEST_F(FullPinyin, WholeSyllablesAndTheirPrefixes) {
  const Names report = {"报告2019a.doc", "报告", "年度报告.doc", ".报告隐藏"};
  EXPECT_EQ(Find("baogao", true), report);
  EXPECT_EQ(Find("BGao", true), report);
  EXPECT_EQ(Find("baog", true), report);
  EXPECT_EQ(Find("baogao", false), Names());
  EXPECT_EQ(Find("baogaox", true), Names());
  EXPECT_EQ(Find("bgao2019", true), Names({"报告2019a.doc"}));         // across Chinese and ASCII
  EXPECT_EQ(Find("xian", true), Names({"西安旅行.jpg", "先进.doc"}));  // xi + an, and xian
  EXPECT_EQ(Find("fangan", true), Names({"方案.doc"}));
  EXPECT_EQ(Find("changan", true), Names({"长安.txt"}));
  EXPECT_EQ(Find("zhangan", true), Names({"长安.txt"}));
  EXPECT_EQ(Find("hangzhang", true), Names({"行长讲话.doc"}));
  EXPECT_EQ(Find("xingchangjh", true), Names({"行长讲话.doc"}));
  EXPECT_EQ(Find("lvbu", true), Names({"吕布.txt"}));
  EXPECT_EQ(Find("lubu", true), Names());
  EXPECT_EQ(Find("xian doc", true), Names({"先进.doc"}));
  // The name keys of 中@ are 中 and the bridge key of its trail byte and "@", the code of 蠤
  // (qiu): two keys in a row, yet no two characters that spell zhong and qiu.
  EXPECT_EQ(Find("zhongqiu", true), Names({"中秋.txt"}));
}

TEST_F(FullPinyin, WithoutTheInitialsIndexTheAnswersStayTheSame) {
  const std::vector<std::string> lines = {"baogao",  "baog",    "bgao2019",  "xian", "fangan",
                                          "changan", "zhangan", "hangzhang", "lvbu", "xian doc",
                                          "bao",     "gao,an",  "baogaox"};
  std::vector<Names> indexed;
  for (const std::string& line : lines) indexed.push_back(Find(line, true));
  DropInitialsIndex();
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Find(lines[i], true), indexed[i]) << lines[i];
  EXPECT_EQ(Find("bao", true).count("报、告.txt"), 1u);
}

TEST_F(PinyinSearch, RemovedEntriesStayOut) {
  SearchRequest request;
  request.keywords = "ndbg";
  request.pinyin = true;
  uint32_t total = 0;
  SearchResult* result = manager_->Search(request, 1, -1, &total);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->ids.size(), 1u);
  const uint32_t id = result->ids[0];
  result->Release();
  manager_->RecordRemoval(id, drive_.At("报告\\年度报告.doc"));
  EXPECT_EQ(Find("ndbg", true), Names());
}

}  // namespace
}  // namespace sorvik
