// One search: the keyword line and the filters, as the search window fills it, the query reads
// it and a favourite stores it; with the rules that turn the typed keyword line into words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/snapshot_format.h"

namespace sorvik {

// File categories of a request: the numbers of the category bitmaps in index.cm (Category).
// Any other value than 0..5 means no category filter, like kCategoryAll.
constexpr int32_t kCategoryAll = -1;
constexpr int32_t kCategoryFolders = snapshot::kFolders;
constexpr int32_t kCategoryHidden =
    snapshot::kHidden;  // the bitmap behind hiddenOnly; never a choice
constexpr int32_t kCategoryPictures = snapshot::kPictures;
constexpr int32_t kCategoryDocuments = snapshot::kDocuments;
constexpr int32_t kCategoryApplications = snapshot::kApplications;
constexpr int32_t kCategoryMedia = snapshot::kAudioVideo;

struct SearchRequest {
  std::string keywords;             // keyword line, already normalised by NormalizeKeywords
  std::string location;             // drive or folder ("C:", "D:\Music"); < 2 bytes = everywhere
  int32_t category = kCategoryAll;  // see the kCategory constants
  uint8_t hiddenOnly = 0;           // non-zero: only entries with the hidden attribute
  uint16_t monthFrom = 0;           // lowest month code kept; 0 = no time filter
  uint16_t monthTo = 0;             // month code just past the range
  bool pinyin = false;              // words of ASCII text also match by pinyin initials
  int32_t sortKey = 0;              // the whole answer sorted by kSortName .. kSortSize; 0: by id
  bool sortAscending = true;        // the direction of sortKey
};

// Month codes: ((year - 1900) mod 256) * 256 + month.
struct MonthRange {
  uint16_t from = 0;  // inclusive; 0 = no time filter
  uint16_t to = 0;    // exclusive
};

// The bounds for a year (month 0: the whole year) or one month of a year, computed modulo
// 65536. A year <= 0 or a negative month gives {0, 0}, no time filter.
MonthRange MonthRangeOf(int year, int month);

// The request the search window makes: the texts and flags as given, the month range derived
// from year and month.
SearchRequest MakeSearchRequest(const std::string& keywords, const std::string& location,
                                int32_t category, bool hiddenOnly, int year, int month);

// What the keyword box does to its text before every search: "*", "?" and the full-width
// space become " ", the full-width comma becomes ",". A byte of 0x81 or more starts a two-byte
// character together with the byte after it; its second byte never matches.
std::string NormalizeKeywords(const std::string& text);

// Limits of the words of one alternative.
constexpr size_t kMinWordBytes = 2;            // shorter words are skipped
constexpr size_t kMaxWordBytes = 128;          // longer words are cut to this many bytes
constexpr size_t kMaxWordsPerAlternative = 5;  // later words are ignored

// The keyword line taken apart. A name matches the line when selectsAll is set, or when it
// holds every word of at least one alternative. An alternative without words matches nothing;
// it is kept so that the list mirrors the comma runs of the line.
struct ParsedKeywords {
  bool selectsAll = false;                             // blank line, or commas only
  std::vector<std::vector<std::string>> alternatives;  // kept words of each comma run, in order
};

// Splits a keyword line: blank (no white-space-delimited word) -> selectsAll; otherwise the
// non-empty runs between ASCII commas are the alternatives (none -> selectsAll), and each run's
// white-space-delimited words of at least 2 bytes, cut to 128 bytes, at most 5, are its words.
// White space is space, \t, \n, \v, \f, \r. Double-byte characters are never split.
ParsedKeywords ParseKeywords(const std::string& keywords);

}  // namespace sorvik
