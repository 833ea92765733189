// Command line of sorvik-cli:
//   sorvik-cli index  [--work DIR] [--drive L:=PATH]... [--exclude PATTERN]... [--chunk-names N]
//                     [--verbose]
//   sorvik-cli search [--work DIR] [--location TEXT] [--category C] [--hidden] [--pinyin]
//                     [--year Y [--month M]] [--page P] [--page-size S|-1]
//                     [--count | --paths] [-0|--null] [--] KEYWORDS
//   sorvik-cli favorites list [--work DIR]
//   sorvik-cli favorites add [--work DIR] [search filters] [--] TITLE KEYWORDS
//   sorvik-cli favorites run [--work DIR] [--page P] [--page-size S|-1] [--count | --paths] [-0] N
//   sorvik-cli -h|--help, sorvik-cli COMMAND -h|--help, sorvik-cli --version
// Options go anywhere before "--", in any order; "--NAME=VALUE" works like "--NAME VALUE". The
// words that are not options are, in order: the command, the favourites action, the title or the
// number, then the keywords. Texts arrive in the console's encoding; the caller converts them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sorvik_version.h"

namespace sorvik {

// The version sorvik-cli reports.
constexpr char kCliVersion[] = SORVIK_VERSION_TEXT;  // from the one version source

enum class CliCommand { kIndex, kSearch, kFavoritesList, kFavoritesAdd, kFavoritesRun };

// Which commands' lines the usage shows (bits), so that help and errors show the command's own.
enum CliUsagePart : unsigned {
  kUsageIndex = 1,
  kUsageSearch = 2,
  kUsageList = 4,
  kUsageAdd = 8,
  kUsageRun = 16,
  kUsageFavorites = kUsageList | kUsageAdd | kUsageRun,
  kUsageAll = kUsageIndex | kUsageSearch | kUsageFavorites,
};

struct CliOptions {
  CliCommand command = CliCommand::kSearch;
  unsigned usage = kUsageAll;                        // CliUsagePart bits of the command given
  bool help = false;                                 // -h, --help: print the usage, do nothing
  bool version = false;                              // --version: print the version, do nothing
  std::string work;                                  // folder of NIndex etc.; empty: the program's
  std::vector<std::pair<char, std::string>> drives;  // --drive letter and directory
  bool exclude_given = false;                        // --exclude was given (perhaps empty)
  std::vector<std::string> excludes;                 // --exclude patterns, empty ones dropped
  uint32_t chunk_names = 3000000;                    // names per chunk of the name index
  std::string location;                              // --location
  int category = -1;                                 // --category, -1 for all
  bool hidden_only = false;                          // --hidden
  bool verbose = false;                              // --verbose: the merge's diagnostic lines
  bool pinyin = false;                               // --pinyin: words match by initials too
  int sort = 0;                                      // --sort: 0 none, 1 name .. 4 size
  bool sort_descending = false;                      // --desc
  int year = 0;                                      // --year, 0 for none
  int month = -1;                                    // --month 1..12, -1 for none
  int page = 1;                                      // --page, from 1
  int page_size = 800;                               // --page-size, -1 for every match
  bool count_only = false;                           // --count: print only the total
  bool paths_only = false;                           // --paths: print only full paths
  char line_end = '\n';                              // -0, --null: '\0'
  std::string keywords;                              // the keyword line, words joined by spaces
  std::string title;                                 // favorites add: the title
  int favorite = 0;                                  // favorites run: 1-based number
};

// Parses `args` (without the program name). On a usage error returns false with `error` set to
// a one-line message; `options->usage` then tells which usage to show.
bool ParseCliArgs(const std::vector<std::string>& args, CliOptions* options, std::string* error);

// The usage text of the commands in `parts` (CliUsagePart bits).
std::string CliUsage(unsigned parts = kUsageAll);

// Answers -h/--help (the usage on `out`) and --version; returns true when it did.
bool PrintHelpOrVersion(const CliOptions& options, FILE* out);

}  // namespace sorvik
