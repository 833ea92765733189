// The explanation the search window shows over the list when a search found nothing.
#pragma once

#include <string>

namespace sorvik {

struct NotFoundText {
  std::string text;    // the lines, joined by "\r\n"
  int top_margin = 0;  // pixels above the text: 15, or 10 when there is a time line
};

// The name of `category` as the explanation gives it; empty for a value that has none.
const char* CategoryName(int category);

// The explanation for a search with these filters (year and month as the tree gave them).
NotFoundText ComposeNotFoundText(const std::string& keywords, const std::string& location,
                                 int category, int year, int month);

}  // namespace sorvik
