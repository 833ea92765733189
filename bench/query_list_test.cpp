#include "bench/query_list.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace bench {
namespace {

TEST(QueryList, LinesFilesAndRequests) {
  {
    // Every field, with a carriage return left by another platform.
    BenchQuery query;
    ASSERT_TRUE(ParseQueryLine("alt\tyear\tpak,DSCN\t3\tD:\\Users\t2015\r", &query));
    EXPECT_EQ(query.query_class, "alt");
    EXPECT_EQ(query.variant, "year");
    EXPECT_EQ(query.keywords, "pak,DSCN");
    EXPECT_EQ(query.category, 3);
    EXPECT_EQ(query.location, "D:\\Users");
    EXPECT_EQ(query.year, 2015);
  }
  {
    // Trailing fields may be left out; a line without keywords is no query.
    BenchQuery query;
    ASSERT_TRUE(ParseQueryLine("rare\tplain\tA9a7a24", &query));
    EXPECT_EQ(query.category, -1);
    EXPECT_EQ(query.year, 0);
    EXPECT_TRUE(query.location.empty());
    EXPECT_FALSE(ParseQueryLine("rare\tplain", &query));
    EXPECT_FALSE(ParseQueryLine("", &query));
  }
  {
    // A file: blank lines skipped; the request holds GBK texts and the filters.
    testing::TempFolder folder;
    const std::string path = folder.Join("queries.tsv");
    testing::WriteText(path,
                       "cjk1\tplain\t\xE5\xA3\x81\xE7\xBA\xB8\n\ncommon\tyear\tin\t-1\t\t2015\n");
    std::vector<BenchQuery> queries = ReadQueryFile(path);
    ASSERT_EQ(queries.size(), 2u);
    SearchRequest chinese = RequestOf(queries[0]);
    EXPECT_EQ(chinese.keywords, "\xB1\xDA\xD6\xBD");  // 壁纸 in GBK
    EXPECT_EQ(chinese.monthFrom, 0);
    SearchRequest dated = RequestOf(queries[1]);
    EXPECT_EQ(dated.keywords, "in");
    EXPECT_NE(dated.monthFrom, 0);
    EXPECT_LT(dated.monthFrom, dated.monthTo);
    EXPECT_FALSE(dated.pinyin);
    // The pinyin variant turns the initials on.
    BenchQuery initials;
    ASSERT_TRUE(ParseQueryLine("ascii1\tpinyin\tbg", &initials));
    EXPECT_TRUE(RequestOf(initials).pinyin);
  }
}

}  // namespace
}  // namespace bench
}  // namespace sorvik
