// Command line of sorvik-cli:
//   sorvik-cli index  [--work DIR] [--drive L:=PATH]... [--chunk-names N]
//   sorvik-cli search [--work DIR] [--location TEXT] [--category C] [--hidden] [--pinyin]
//                     [--year Y [--month M]] [--page P] [--page-size S|-1] [--] KEYWORDS
//   sorvik-cli favorites list [--work DIR]
//   sorvik-cli favorites add TITLE [search options] [--] KEYWORDS
//   sorvik-cli favorites run N [--work DIR] [--page P] [--page-size S|-1]
// Texts arrive in the console's encoding; the caller converts them before parsing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sorvik {

enum class CliCommand { kIndex, kSearch, kFavoritesList, kFavoritesAdd, kFavoritesRun };

struct CliOptions {
  CliCommand command = CliCommand::kSearch;
  std::string work;                                  // folder of NIndex etc.; empty: the program's
  std::vector<std::pair<char, std::string>> drives;  // --drive letter and directory
  uint32_t chunk_names = 3000000;                    // names per chunk of the name index
  std::string location;                              // --location
  int category = -1;                                 // --category, -1 for all
  bool hidden_only = false;                          // --hidden
  bool pinyin = false;                               // --pinyin: words match by initials too
  int year = 0;                                      // --year, 0 for none
  int month = -1;                                    // --month 1..12, -1 for none
  int page = 1;                                      // --page, from 1
  int page_size = 800;                               // --page-size, -1 for every match
  std::string keywords;                              // the keyword line, words joined by spaces
  std::string title;                                 // favorites add: the title
  int favorite = 0;                                  // favorites run: 1-based number
};

// Parses `args` (without the program name). On a usage error returns false with `error` set.
bool ParseCliArgs(const std::vector<std::string>& args, CliOptions* options, std::string* error);

// The usage text printed with a usage error.
const char* CliUsage();

}  // namespace sorvik
