// The benchmark's query file: one query a line, tab-separated fields
//   CLASS  VARIANT  KEYWORDS  CATEGORY  LOCATION  YEAR
// in UTF-8. CLASS is the generator's query class (ascii1, cjk1, and2, alt, common, rare),
// VARIANT names the filter (plain, category, location, year) or pinyin (initials on); CATEGORY is
// -1 for all, YEAR 0 for none, LOCATION empty for everywhere. Trailing fields may be left out.
#pragma once

#include <string>
#include <vector>

#include "query/search_request.h"

namespace sorvik {
namespace bench {

// The variant that searches with pinyin initials on.
constexpr char kPinyinVariant[] = "pinyin";

struct BenchQuery {
  std::string query_class;  // generator class
  std::string variant;      // which filter is added
  std::string keywords;     // keyword line, UTF-8 as typed
  int category = -1;        // category number, -1 for all
  std::string location;     // UTF-8 drive or folder, empty for everywhere
  int year = 0;             // year of last change, 0 for any
};

// Parses one line; false for a blank line or one without keywords field.
bool ParseQueryLine(const std::string& line, BenchQuery* query);
// Every query of the file at `path` (a native path); empty when it cannot be read.
std::vector<BenchQuery> ReadQueryFile(const std::string& path);
// The search the program would run for `query`: keywords normalised, texts in GBK.
SearchRequest RequestOf(const BenchQuery& query);

}  // namespace bench
}  // namespace sorvik
