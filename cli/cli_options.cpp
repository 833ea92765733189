#include "cli/cli_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "index/folder_exclusion.h"

namespace sorvik {
namespace {

const char* const kCategoryNames[] = {"folders",   "hidden",       "pictures",
                                      "documents", "applications", "audio-video"};

constexpr unsigned kUsageFilters = kUsageSearch | kUsageAdd;  // commands that filter
constexpr unsigned kUsagePaging = kUsageSearch | kUsageRun;   // commands that print a page

// The description of one option: its name, whether a value follows, and the commands (usage
// bits) it goes with.
struct OptionDescription {
  const char* name;
  bool takes_value;
  unsigned commands;
};

const OptionDescription kOptions[] = {
    {"--work", true, kUsageAll},          {"--drive", true, kUsageIndex},
    {"--chunk-names", true, kUsageIndex}, {"--verbose", false, kUsageIndex},
    {"--location", true, kUsageFilters},  {"--category", true, kUsageFilters},
    {"--hidden", false, kUsageFilters},   {"--pinyin", false, kUsageSearch},
    {"--sort", true, kUsageSearch},       {"--desc", false, kUsageSearch},
    {"--year", true, kUsageFilters},      {"--month", true, kUsageFilters},
    {"--page", true, kUsagePaging},       {"--page-size", true, kUsagePaging},
    {"--count", false, kUsagePaging},     {"--paths", false, kUsagePaging},
    {"--null", false, kUsagePaging},      {"-0", false, kUsagePaging},
    {"--help", false, kUsageAll},         {"-h", false, kUsageAll},
    {"--version", false, kUsageAll},      {"--exclude", true, kUsageIndex},
};

const OptionDescription* FindOption(const std::string& name) {
  for (const OptionDescription& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

// An argument that reads as an option: "-x" or "--name", but not "-" alone nor "--".
bool LooksLikeOption(const std::string& arg) { return arg.size() >= 2 && arg[0] == '-'; }

bool ParseInt(const std::string& text, long low, long high, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || parsed < low || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// "none" is the index's order (0); the others are the sort keys 1..4 in the order the result list
// numbers its sortable columns.
bool ParseSortKey(const std::string& text, int* key) {
  const char* const names[] = {"none", "name", "folder", "time", "size"};
  for (int i = 0; i < 5; ++i) {
    if (text == names[i]) {
      *key = i;
      return true;
    }
  }
  return false;
}

bool ParseCategory(const std::string& text, int* category) {
  if (text == "all") {
    *category = -1;
    return true;
  }
  for (int i = 0; i < 6; ++i) {
    if (text == kCategoryNames[i] && i != 1) {
      *category = i;
      return true;
    }
  }
  return ParseInt(text, -1, 5, category) && *category != 1;
}

// "L:=PATH" with a drive letter.
bool ParseDrive(const std::string& text, std::pair<char, std::string>* drive) {
  if (text.size() < 4 || !std::isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':' ||
      text[2] != '=') {
    return false;
  }
  *drive = {static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))), text.substr(3)};
  return true;
}

// An option as given on the command line, with its value.
struct GivenOption {
  const OptionDescription* option;
  std::string value;
};

// Splits the arguments into options and words first, so that options may stand anywhere before
// "--"; then the words name the command and the options are checked against it.
class Parser {
 public:
  Parser(const std::vector<std::string>& args, CliOptions* options, std::string* error)
      : args_(args), options_(options), error_(error) {}

  bool Run() {
    Split();
    ResolveCommand();
    if (help_ || version_) {
      options_->help = help_;
      options_->version = version_ && !help_;
      return true;
    }
    if (!first_error_.empty()) return Fail(first_error_);
    for (const GivenOption& given : given_) {
      if (!Apply(given)) return false;
    }
    return Finish();
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

  // Keeps the first error; help and version still win over it.
  void Note(const std::string& message) {
    if (first_error_.empty()) first_error_ = message;
  }

  void Split() {
    bool options_done = false;
    for (size_t i = 0; i < args_.size(); ++i) {
      const std::string& arg = args_[i];
      if (options_done || !LooksLikeOption(arg)) {
        words_.push_back(arg);
      } else if (arg == "--") {
        options_done = true;
      } else {
        SplitOption(&i);
      }
    }
  }

  // The option at args_[*i] and its value ("--name=value" or the next argument).
  void SplitOption(size_t* i) {
    const std::string& arg = args_[*i];
    const size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const OptionDescription* option = FindOption(name);
    if (option == nullptr) return Note("unknown option " + name);
    help_ = help_ || name == "--help" || name == "-h";
    version_ = version_ || name == "--version";
    GivenOption given{option, std::string()};
    if (equals != std::string::npos) {
      if (!option->takes_value) return Note(name + " takes no value");
      given.value = arg.substr(equals + 1);
    } else if (option->takes_value) {
      // A following option is a forgotten value, not the value ("--location --hidden").
      if (*i + 1 >= args_.size() || args_[*i + 1].compare(0, 2, "--") == 0) {
        return Note(name + " needs a value");
      }
      given.value = args_[++*i];
    }
    given_.push_back(given);
  }

  void SetCommand(CliCommand command, unsigned usage, const char* name) {
    options_->command = command;
    options_->usage = usage;
    command_name_ = name;
  }

  void ResolveCommand() {
    if (words_.empty()) return Note("no command given");
    const std::string& command = words_[0];
    next_word_ = 1;
    if (command == "index") {
      SetCommand(CliCommand::kIndex, kUsageIndex, "index");
    } else if (command == "search") {
      SetCommand(CliCommand::kSearch, kUsageSearch, "search");
    } else if (command == "favorites") {
      ResolveFavoritesAction();
    } else {
      Note("unknown command '" + command + "'");
    }
  }

  void ResolveFavoritesAction() {
    options_->usage = kUsageFavorites;
    if (words_.size() < 2) return Note("favorites needs list, add or run");
    const std::string& action = words_[1];
    next_word_ = 3;
    if (action == "list") {
      SetCommand(CliCommand::kFavoritesList, kUsageList, "favorites list");
      next_word_ = 2;
    } else if (action == "add") {
      SetCommand(CliCommand::kFavoritesAdd, kUsageAdd, "favorites add");
      if (words_.size() < 3 || words_[2].empty()) return Note("favorites add needs a title");
      options_->title = words_[2];
    } else if (action == "run") {
      SetCommand(CliCommand::kFavoritesRun, kUsageRun, "favorites run");
      if (words_.size() < 3 || !ParseInt(words_[2], 1, 1000000, &options_->favorite)) {
        return Note("favorites run needs a favourite number from 1");
      }
    } else {
      Note("unknown favorites action '" + action + "'");
    }
  }

  bool Apply(const GivenOption& given) {
    const std::string name = given.option->name;
    if ((given.option->commands & options_->usage) == 0) {
      return Fail(name + " does not go with " + command_name_);
    }
    return ApplyFlag(name) || ApplyValue(name, given.value);
  }

  // The options without a value; false for the others.
  bool ApplyFlag(const std::string& name) {
    if (name == "--hidden") {
      options_->hidden_only = true;
    } else if (name == "--verbose") {
      options_->verbose = true;
    } else if (name == "--pinyin") {
      options_->pinyin = true;
    } else if (name == "--desc") {
      options_->sort_descending = true;
    } else if (name == "--count") {
      options_->count_only = true;
    } else if (name == "--paths") {
      options_->paths_only = true;
    } else if (name == "--null" || name == "-0") {
      options_->line_end = '\0';
    } else {
      return false;
    }
    return true;
  }

  bool ApplyValue(const std::string& name, const std::string& value) {
    if (name == "--work") {
      if (value.empty()) return Fail("--work needs a folder");
      options_->work = value;
    } else if (name == "--drive") {
      std::pair<char, std::string> drive;
      if (!ParseDrive(value, &drive)) return Fail("--drive takes L:=PATH");
      options_->drives.push_back(drive);
    } else if (name == "--exclude") {
      // An empty value leaves nothing out (not even the defaults); others add one pattern.
      options_->exclude_given = true;
      if (!value.empty() && !IsValidExcludePattern(value))
        return Fail(
            "--exclude takes a folder name (wildcards * and ?) or a full path (D:\\Backup)");
      if (!value.empty()) options_->excludes.push_back(value);
    } else if (name == "--chunk-names") {
      int chunk = 0;
      if (!ParseInt(value, 1, 2000000000, &chunk)) return Fail("--chunk-names takes a count");
      options_->chunk_names = static_cast<uint32_t>(chunk);
    } else if (name == "--location") {
      options_->location = value;
    } else if (name == "--sort") {
      if (!ParseSortKey(value, &options_->sort))
        return Fail("--sort takes none, name, folder, time or size");
    } else {
      return ApplyNumber(name, value);
    }
    return true;
  }

  bool ApplyNumber(const std::string& name, const std::string& value) {
    if (name == "--category") {
      if (!ParseCategory(value, &options_->category)) {
        return Fail(
            "--category takes all, folders, pictures, documents, applications, "
            "audio-video or -1, 0, 2..5");
      }
    } else if (name == "--year") {
      if (!ParseInt(value, 1901, 2155, &options_->year)) return Fail("--year takes 1901..2155");
    } else if (name == "--month") {
      if (!ParseInt(value, 1, 12, &options_->month)) return Fail("--month takes 1..12");
    } else if (name == "--page") {
      if (!ParseInt(value, 1, 1000000000, &options_->page)) return Fail("--page takes 1 or more");
    } else if (name == "--page-size") {
      if (!ParseInt(value, -1, 1000000000, &options_->page_size) || options_->page_size == 0) {
        return Fail("--page-size takes a positive count or -1");
      }
    }
    return true;
  }

  bool Finish() {
    CliCommand command = options_->command;
    bool takes_words = command == CliCommand::kSearch || command == CliCommand::kFavoritesAdd;
    if (!takes_words && next_word_ < words_.size()) {
      return Fail("unexpected argument '" + words_[next_word_] + "'");
    }
    if (options_->month != -1 && options_->year == 0) return Fail("--month needs --year");
    if (options_->sort_descending && options_->sort == 0) return Fail("--desc needs --sort");
    if (options_->count_only && options_->paths_only) {
      return Fail("--count and --paths do not go together");
    }
    for (size_t i = next_word_; i < words_.size(); ++i) {
      if (!options_->keywords.empty()) options_->keywords += ' ';
      options_->keywords += words_[i];
    }
    return true;
  }

  const std::vector<std::string>& args_;
  CliOptions* options_;
  std::string* error_;
  std::vector<GivenOption> given_;  // the options in the order given
  std::vector<std::string> words_;  // the arguments that are not options
  size_t next_word_ = 0;            // the first word after the command, action, title or number
  std::string command_name_;
  std::string first_error_;
  bool help_ = false;
  bool version_ = false;
};

// The usage lines of each command, in the order shown.
const struct {
  unsigned part;
  const char* lines;
} kUsageLines[] = {
    {kUsageIndex,
     "  sorvik-cli index  [--work DIR] [--drive L:=PATH]... [--exclude PATTERN]...\n"
     "                    [--chunk-names N] [--verbose]\n"},
    {kUsageSearch,
     "  sorvik-cli search [--work DIR] [--location TEXT] [--category C] [--hidden] [--pinyin]\n"
     "                    [--year Y [--month M]] [--sort none|name|folder|time|size [--desc]]\n"
     "                    [--page P] [--page-size S|-1]\n"
     "                    [--count | --paths] [-0|--null] [--] KEYWORDS\n"},
    {kUsageList, "  sorvik-cli favorites list [--work DIR]\n"},
    {kUsageAdd,
     "  sorvik-cli favorites add [--work DIR] [--location TEXT] [--category C] [--hidden]\n"
     "                    [--year Y [--month M]] [--] TITLE KEYWORDS\n"},
    {kUsageRun,
     "  sorvik-cli favorites run [--work DIR] [--page P] [--page-size S|-1]\n"
     "                    [--count | --paths] [-0|--null] N\n"},
};

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliOptions* options, std::string* error) {
  *options = CliOptions();
  return Parser(args, options, error).Run();
}

std::string CliUsage(unsigned parts) {
  std::string text = "usage:\n";
  for (const auto& entry : kUsageLines) {
    if ((parts & entry.part) != 0) text += entry.lines;
  }
  if (parts == kUsageAll) text += "  sorvik-cli [COMMAND] -h|--help, sorvik-cli --version\n";
  text += "options go anywhere before --, in any order; --NAME=VALUE is --NAME VALUE\n";
  if ((parts & kUsageFilters) != 0) {
    text += "categories: all, folders, pictures, documents, applications, audio-video\n";
  }
  if ((parts & kUsagePaging) != 0) {
    text +=
        "--count prints only the total, --paths only the full paths; -0 ends each printed line\n"
        "with a NUL instead of a newline\n";
  }
  return text;
}

bool PrintHelpOrVersion(const CliOptions& options, FILE* out) {
  if (options.help) {
    std::fputs(CliUsage(options.usage).c_str(), out);
  } else if (options.version) {
    std::fprintf(out, "sorvik-cli %s\n", kCliVersion);
  } else {
    return false;
  }
  return true;
}

}  // namespace sorvik
