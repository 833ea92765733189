#include "bench/query_list.h"

#include <cstdlib>
#include <fstream>

#include "platform/charset.h"

namespace sorvik {
namespace bench {
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

bool ParseQueryLine(const std::string& line, BenchQuery* query) {
  std::string text = line;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  std::vector<std::string> fields = SplitTabs(text);
  if (fields.size() < 3) return false;
  *query = BenchQuery();
  query->query_class = fields[0];
  query->variant = fields[1];
  query->keywords = fields[2];
  if (fields.size() > 3 && !fields[3].empty()) query->category = std::atoi(fields[3].c_str());
  if (fields.size() > 4) query->location = fields[4];
  if (fields.size() > 5 && !fields[5].empty()) query->year = std::atoi(fields[5].c_str());
  return true;
}

std::vector<BenchQuery> ReadQueryFile(const std::string& path) {
  std::vector<BenchQuery> queries;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  BenchQuery query;
  while (std::getline(in, line)) {
    if (ParseQueryLine(line, &query)) queries.push_back(query);
  }
  return queries;
}

SearchRequest RequestOf(const BenchQuery& query) {
  SearchRequest request =
      MakeSearchRequest(NormalizeKeywords(Utf8ToGbk(query.keywords)), Utf8ToGbk(query.location),
                        query.category, false, query.year, 0);  // month 0: the whole year
  request.pinyin = query.variant == kPinyinVariant;
  return request;
}

}  // namespace bench
}  // namespace sorvik
