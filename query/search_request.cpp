#include "query/search_request.h"

#include "text/gbk_text.h"

namespace sorvik {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The single byte that replaces the character at text[i], or 0 when it stays.
char Replacement(const std::string& text, size_t i, size_t length) {
  if (length == 1) return (text[i] == '*' || text[i] == '?') ? ' ' : 0;
  std::string c = text.substr(i, 2);
  if (c == "　") return ' ';
  if (c == "，") return ',';
  return 0;
}

std::vector<std::string> WhiteSpaceWords(const std::string& text) {
  return GbkSplit(text, IsWhiteSpace);
}

std::vector<std::string> KeptWords(const std::string& run) {
  std::vector<std::string> kept;
  for (const std::string& word : WhiteSpaceWords(run)) {
    if (kept.size() == kMaxWordsPerAlternative) break;
    if (word.size() < kMinWordBytes) continue;
    kept.push_back(word.substr(0, kMaxWordBytes));
  }
  return kept;
}

}  // namespace

MonthRange MonthRangeOf(int year, int month) {
  MonthRange range;
  if (year <= 0 || month < 0) return range;
  // Unsigned arithmetic wraps exactly like the codes do (modulo 65536 after the cast).
  uint32_t base = (static_cast<uint32_t>(year) - 1900u) * 256u;
  if (month == 0) {
    range.from = static_cast<uint16_t>(base);
    range.to = static_cast<uint16_t>(base + 256u);
  } else {
    range.from = static_cast<uint16_t>(base + static_cast<uint32_t>(month));
    range.to = static_cast<uint16_t>(range.from + 1u);
  }
  return range;
}

SearchRequest MakeSearchRequest(const std::string& keywords, const std::string& location,
                                int32_t category, bool hiddenOnly, int year, int month) {
  SearchRequest request;
  request.keywords = keywords;
  request.location = location;
  request.category = category;
  request.hiddenOnly = hiddenOnly ? 1 : 0;
  MonthRange range = MonthRangeOf(year, month);
  request.monthFrom = range.from;
  request.monthTo = range.to;
  return request;
}

// One pass does the four replacements: each replacement is a single ASCII byte that none of
// the later patterns matches, and character boundaries after it do not move.
std::string NormalizeKeywords(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t length = GbkCharLength(text, i);
    char replacement = Replacement(text, i, length);
    if (replacement != 0) {
      result += replacement;
    } else {
      result.append(text, i, length);
    }
    i += length;
  }
  return result;
}

ParsedKeywords ParseKeywords(const std::string& keywords) {
  ParsedKeywords parsed;
  std::vector<std::string> runs;
  if (!WhiteSpaceWords(keywords).empty()) {
    runs = GbkSplit(keywords, [](char c) { return c == ','; });
  }
  parsed.selectsAll = runs.empty();
  for (const std::string& run : runs) parsed.alternatives.push_back(KeptWords(run));
  return parsed;
}

}  // namespace sorvik
