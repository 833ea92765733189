#include "cli/cli_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace sorvik {
namespace {

const char* const kCategoryNames[] = {"folders",   "hidden",       "pictures",
                                      "documents", "applications", "audio-video"};

bool ParseInt(const std::string& text, long low, long high, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || parsed < low || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
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

class Parser {
 public:
  Parser(const std::vector<std::string>& args, CliOptions* options, std::string* error)
      : args_(args), options_(options), error_(error) {}

  bool Run() {
    if (!ParseCommand()) return false;
    std::vector<std::string> words;
    bool options_done = false;
    for (; next_ < args_.size(); ++next_) {
      const std::string& arg = args_[next_];
      if (!options_done && arg == "--") {
        options_done = true;
      } else if (!options_done && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
        if (!ParseOption(arg)) return false;
      } else {
        words.push_back(arg);
      }
    }
    return Finish(words);
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

  bool ParseCommand() {
    if (args_.empty()) return Fail("no command given");
    const std::string& command = args_[0];
    next_ = 1;
    if (command == "index") {
      options_->command = CliCommand::kIndex;
    } else if (command == "search") {
      options_->command = CliCommand::kSearch;
    } else if (command == "favorites") {
      return ParseFavoritesCommand();
    } else {
      return Fail("unknown command '" + command + "'");
    }
    return true;
  }

  bool ParseFavoritesCommand() {
    if (args_.size() < 2) return Fail("favorites needs list, add or run");
    const std::string& action = args_[1];
    next_ = 2;
    if (action == "list") {
      options_->command = CliCommand::kFavoritesList;
    } else if (action == "add") {
      if (args_.size() < 3 || args_[2].empty()) return Fail("favorites add needs a title");
      options_->command = CliCommand::kFavoritesAdd;
      options_->title = args_[2];
      next_ = 3;
    } else if (action == "run") {
      if (args_.size() < 3 || !ParseInt(args_[2], 1, 1000000, &options_->favorite)) {
        return Fail("favorites run needs a favourite number from 1");
      }
      options_->command = CliCommand::kFavoritesRun;
      next_ = 3;
    } else {
      return Fail("unknown favorites action '" + action + "'");
    }
    return true;
  }

  // The value after an option, or a usage error.
  bool Value(const std::string& option, std::string* value) {
    if (next_ + 1 >= args_.size()) return Fail(option + " needs a value");
    *value = args_[++next_];
    return true;
  }

  bool Allowed(const std::string& option, bool allowed) {
    return allowed || Fail(option + " does not go with this command");
  }

  bool ParseOption(const std::string& option) {
    CliCommand command = options_->command;
    bool searches = command == CliCommand::kSearch || command == CliCommand::kFavoritesAdd;
    bool pages = command == CliCommand::kSearch || command == CliCommand::kFavoritesRun;
    std::string value;
    if (option == "--hidden") {
      if (!Allowed(option, searches)) return false;
      options_->hidden_only = true;
      return true;
    }
    if (option == "--pinyin") {
      if (!Allowed(option, command == CliCommand::kSearch)) return false;
      options_->pinyin = true;
      return true;
    }
    static const char* const kValued[] = {"--work",     "--drive",    "--chunk-names",
                                          "--location", "--category", "--year",
                                          "--month",    "--page",     "--page-size"};
    bool known = false;
    for (const char* name : kValued) known = known || option == name;
    if (!known) return Fail("unknown option " + option);
    if (!Value(option, &value)) return false;
    if (option == "--work") {
      options_->work = value;
    } else if (option == "--drive") {
      std::pair<char, std::string> drive;
      if (!Allowed(option, command == CliCommand::kIndex)) return false;
      if (!ParseDrive(value, &drive)) return Fail("--drive takes L:=PATH");
      options_->drives.push_back(drive);
    } else if (option == "--chunk-names") {
      int chunk = 0;
      if (!Allowed(option, command == CliCommand::kIndex)) return false;
      if (!ParseInt(value, 1, 2000000000, &chunk)) return Fail("--chunk-names takes a count");
      options_->chunk_names = static_cast<uint32_t>(chunk);
    } else if (option == "--location") {
      if (!Allowed(option, searches)) return false;
      options_->location = value;
    } else if (option == "--category") {
      if (!Allowed(option, searches)) return false;
      if (!ParseCategory(value, &options_->category)) {
        return Fail(
            "--category takes all, folders, pictures, documents, applications, "
            "audio-video or -1, 0, 2..5");
      }
    } else if (option == "--year") {
      if (!Allowed(option, searches)) return false;
      if (!ParseInt(value, 1901, 2155, &options_->year)) return Fail("--year takes 1901..2155");
    } else if (option == "--month") {
      if (!Allowed(option, searches)) return false;
      if (!ParseInt(value, 1, 12, &options_->month)) return Fail("--month takes 1..12");
    } else if (option == "--page") {
      if (!Allowed(option, pages)) return false;
      if (!ParseInt(value, 1, 1000000000, &options_->page)) return Fail("--page takes 1 or more");
    } else if (option == "--page-size") {
      if (!Allowed(option, pages)) return false;
      if (!ParseInt(value, -1, 1000000000, &options_->page_size) || options_->page_size == 0) {
        return Fail("--page-size takes a positive count or -1");
      }
    } else {
      return Fail("unknown option " + option);
    }
    return true;
  }

  bool Finish(const std::vector<std::string>& words) {
    CliCommand command = options_->command;
    bool takes_words = command == CliCommand::kSearch || command == CliCommand::kFavoritesAdd;
    if (!takes_words && !words.empty()) return Fail("unexpected argument '" + words[0] + "'");
    if (options_->month != -1 && options_->year == 0) return Fail("--month needs --year");
    for (const std::string& word : words) {
      if (!options_->keywords.empty()) options_->keywords += ' ';
      options_->keywords += word;
    }
    return true;
  }

  const std::vector<std::string>& args_;
  CliOptions* options_;
  std::string* error_;
  size_t next_ = 0;
};

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliOptions* options, std::string* error) {
  *options = CliOptions();
  return Parser(args, options, error).Run();
}

const char* CliUsage() {
  return "usage:\n"
         "  sorvik-cli index  [--work DIR] [--drive L:=PATH]... [--chunk-names N]\n"
         "  sorvik-cli search [--work DIR] [--location TEXT] [--category C] [--hidden] [--pinyin]\n"
         "                    [--year Y [--month M]] [--page P] [--page-size S|-1] [--] KEYWORDS\n"
         "  sorvik-cli favorites list [--work DIR]\n"
         "  sorvik-cli favorites add TITLE [search options] [--] KEYWORDS\n"
         "  sorvik-cli favorites run N [--work DIR] [--page P] [--page-size S|-1]\n"
         "categories: all, folders, pictures, documents, applications, audio-video\n";
}

}  // namespace sorvik
