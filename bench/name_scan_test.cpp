#include "bench/name_scan.h"

#include <gtest/gtest.h>

#include "query/search_request.h"

namespace sorvik {
namespace bench {
namespace {

NameScan ScanOf(const std::vector<std::string>& names) {
  NameScan scan;
  for (const std::string& name : names) scan.Add(name.data(), static_cast<uint32_t>(name.size()));
  return scan;
}

TEST(NameScan, CountsNamesAsTheKeywordRulesSay) {
  // "年度" (GBK C4EA B6C8) and a character whose trail byte is the letter "A" (B041).
  const NameScan scan = ScanOf({"Report_2019.xls", "report.DOC", "\xC4\xEA\xB6\xC8report",
                                "\xB0\x41"
                                "b.txt",
                                "budget.xls", "notes"});
  {
    // Letters match without regard to case; every name is counted once.
    EXPECT_EQ(scan.Count("REPORT"), 3u);
    EXPECT_EQ(scan.Count("xls"), 2u);
  }
  {
    // Words of a run must all occur; runs are alternatives, a name in two runs counts once.
    EXPECT_EQ(scan.Count("report xls"), 1u);
    EXPECT_EQ(scan.Count("report,xls"), 4u);
    EXPECT_EQ(scan.Count("missing,notes"), 1u);
  }
  {
    // A double-byte character is matched whole, and its trail byte is not a letter to fold.
    EXPECT_EQ(scan.Count("\xC4\xEA\xB6\xC8"), 1u);
    EXPECT_EQ(scan.Count("ab"), 0u);
    EXPECT_EQ(scan.Count("\xB0\x41"
                         "b"),
              1u);
  }
  {
    // A blank line selects every name; words shorter than 2 bytes are dropped as the index
    // drops them, so a run of short words matches nothing.
    EXPECT_EQ(scan.Count(""), 6u);
    EXPECT_EQ(scan.Count("r x"), 0u);
    EXPECT_EQ(scan.Count("r x,notes"), 1u);
    EXPECT_EQ(scan.NameCount(), 6u);
  }
}

TEST(NameScan, FoldLettersSkipsTrailBytes) {
  std::string text = "AbC\xB0\x41Z";
  FoldLetters(&text);
  EXPECT_EQ(text, "abc\xB0\x41z");
}

}  // namespace
}  // namespace bench
}  // namespace sorvik
