#include "cli/cli_commands.h"

#include <memory>

#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/publish_commands.h"
#include "favourites/favorite_store.h"
#include "index/folder_exclusion.h"
#include "lifecycle/build_index.h"
#include "lifecycle/index_manager.h"
#include "platform/find.h"
#include "platform/fs.h"
#include "platform/process_lock.h"
#include "query/search_request.h"
#include "query/search_result.h"
#include "settings/config_store.h"

namespace sorvik {
namespace {

constexpr char kDriveMapFile[] = "drives.map";  // Linux drive map saved by the index command

// The terminal's build: no pauses, no online step, no schedule.
class CliEnvironment : public SystemIndexEnvironment {
 public:
  CliEnvironment(ConfigStore* settings, const BuildOptions& build)
      : SystemIndexEnvironment(settings, build, false) {}
  void Sleep(uint32_t) override {}
};

// Makes the work folder current: the program's relative paths (".\NIndex") start there.
bool EnterWork(const CliOptions& options, FILE* err) {
  std::string work = options.work.empty() ? ExecutableFolder() : FromConsole(options.work);
  if (options.command == CliCommand::kIndex) CreateFolder(work);
  if (!SetCurrentFolder(work)) {
    std::fprintf(err, "sorvik-cli: cannot use the folder %s\n", ToConsole(work).c_str());
    return false;
  }
  ConfigStore::Instance().UseFolder(".");
  return true;
}

std::unique_ptr<IndexManager> OpenManager(const BuildOptions& build) {
  return std::make_unique<IndexManager>(
      ".\\", std::make_unique<CliEnvironment>(&ConfigStore::Instance(), build), false);
}

// The drives of this build: the ones given, or else the ones the last build saved; false, with
// the reason, when those cannot all be walked again.
bool UseDrives(const CliOptions& options, std::string* problem) {
  if (options.drives.empty()) return LoadSavedDrives(kDriveMapFile, problem);
  MapDrives(options.drives);
  return true;
}

// The entries of the index that `manager` loads, 0 when there is none. Before a build: what it
// is likely to walk again, for the share the progress line shows.
uint32_t EntryCount(IndexManager* manager) {
  uint32_t total = 0;
  SearchResult* all = manager->Search(SearchRequest(), 1, 1, &total);
  if (all == nullptr) return 0;
  all->Release();
  return total;
}

int RunIndex(const CliOptions& options, FILE* err) {
  // One build per work folder at a time, whichever process runs it.
  ProcessLock build_lock(std::string(".\\") + kBuildLockFile);
  if (!build_lock.Lock(ProcessLock::Mode::kExclusive, false)) {
    if (build_lock.Opened()) {
      std::fprintf(err, "sorvik-cli: another build is running in this folder\n");
    } else {
      std::fprintf(err, "sorvik-cli: cannot lock %s (it cannot be opened or made); no build\n",
                   kBuildLockFile);
    }
    return kExitNoIndex;
  }
  std::string problem;
  if (!UseDrives(options, &problem)) {
    std::fprintf(err, "sorvik-cli: %s; the index was not replaced (give the drives with --drive)\n",
                 ToConsole(problem).c_str());
    return kExitNoIndex;
  }
  BuildOptions build;
  build.chunk_names = options.chunk_names;
  build.settle_ms = 0;
  build.diagnostics = options.verbose;
  build.exclude_given = options.exclude_given;
  for (const std::string& pattern : options.excludes) build.exclude.push_back(FromConsole(pattern));
  Status built;
  {
    ConsoleProgress progress(err, EntryCount(OpenManager(build).get()));
    built = BuildIndex(&ConfigStore::Instance(), build);
  }
  if (!built.ok()) {
    // A build that failed part way (a full disk...) or was refused (a drive is gone) is never
    // moved in: the index stays as it was.
    DeleteFolderTree(build.work + kBuildFolder);
    std::fprintf(err, "sorvik-cli: the build failed: %s; the index was not replaced\n",
                 ToConsole(built.message()).c_str());
    return kExitNoIndex;
  }
  std::unique_ptr<IndexManager> manager = OpenManager(build);
  // A build that waits in the swap folder (the live folder was held open) goes in at the next
  // read of any process, before that read.
  if (!manager->SwapInNewIndex() && !PathExists(std::string(".\\") + kSwapFolder)) {
    problem = manager->LastBuildProblem();
    std::fprintf(err, "sorvik-cli: the new index was not moved in: %s\n",
                 problem.empty() ? "the build produced no usable index" : problem.c_str());
    return kExitNoIndex;
  }
  if (!manager->HasLoadedIndex()) {
    std::fprintf(err, "sorvik-cli: the build produced no usable index\n");
    return kExitNoIndex;
  }
  // Only a build that went in changes the saved drives.
  if (!options.drives.empty() && !SaveDrives(options.drives, kDriveMapFile)) {
    std::fprintf(err, "sorvik-cli: cannot write %s; later searches may show other paths\n",
                 kDriveMapFile);
    return kExitNoIndex;
  }
  // Like the drives, the list given is kept for later builds once a build with it went in.
  if (options.exclude_given) {
    ConfigStore::Instance().Set(kConfigIndexExclude, JoinExcludeList(build.exclude));
  }
  std::fprintf(err, "indexed %u entries\n", EntryCount(manager.get()));
  return kExitOk;
}

// `text` with every control character as "?": escape sequences in names must not reach a
// terminal, and a tab or line feed would break the columns.
std::string WithoutControls(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

// The status of a command that printed its results to `out`: output that could not be written
// (a full disk, a closed pipe) is a failure, not a success.
int Written(FILE* out, FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return kExitOk;
  std::fprintf(err, "sorvik-cli: cannot write the output\n");
  return kExitNoIndex;
}

SearchRequest RequestOf(const CliOptions& options) {
  int month = options.month == -1 ? 0 : options.month;
  SearchRequest request = MakeSearchRequest(
      NormalizeKeywords(FromConsole(options.keywords)), FromConsole(options.location),
      options.category, options.hidden_only, options.year, options.year == 0 ? -1 : month);
  request.pinyin = options.pinyin;
  request.sortKey = options.sort;
  request.sortAscending = !options.sort_descending;
  return request;
}

// One entry of a page as it is printed.
struct PageEntry {
  uint32_t id;
  std::string path;  // full path, program form
};

// Searches and reads the full path of every entry of the page under one hold of the index, so
// that the whole page comes from one loaded index however slowly it is printed afterwards. The
// manager, with the files it holds open, is gone before anything is printed: a swap by another
// process is not held up by a slow reader. False when there is no usable index; `whole` false
// when a path could not be read.
bool ReadPage(const SearchRequest& request, const CliOptions& options, uint32_t* total,
              std::vector<PageEntry>* page, bool* whole, std::string* problem) {
  BuildOptions build;
  std::unique_ptr<IndexManager> manager = OpenManager(build);
  bool found = false;
  *whole = true;
  manager->ReadInOneHold([&](IndexManager::Held& held) {
    // --count needs only the total, which depends neither on the page nor on the order.
    SearchRequest unsorted = request;
    unsorted.sortKey = 0;
    SearchResult* result = options.count_only
                               ? held.Search(unsorted, 1, 1, total)
                               : held.Search(request, options.page, options.page_size, total);
    if (result == nullptr) return;
    found = true;
    if (!options.count_only) {
      page->reserve(result->ids.size());
      for (uint32_t id : result->ids) {
        page->push_back(PageEntry{id, std::string()});
        *whole = result->GetFullPath(id, &page->back().path) && *whole;
      }
    }
    result->Release();
  });
  if (!found) *problem = manager->LastBuildProblem();
  return found;
}

// The text printed for `entry`: with --paths the path the system names it by (Linux: its native
// path), else the program's path. False when --paths cannot give the exact path.
bool PathText(const PageEntry& entry, const CliOptions& options, bool terminal, std::string* text) {
  bool exact = true;
  if (options.paths_only) {
    exact = ExactNativePath(entry.path, text);
  } else {
    *text = ToConsole(entry.path);
  }
  // Into a pipe the paths are exact bytes; on a terminal control characters are shown as "?".
  if (terminal) *text = WithoutControls(*text);
  return exact;
}

// Prints one line per entry of `page`. An entry whose exact path is unknown (--paths) is left
// out and named on `err`, and the status says so.
int PrintPage(const std::vector<PageEntry>& page, const CliOptions& options, FILE* out, FILE* err) {
  const bool terminal = IsTerminal(out);
  uint32_t inexact = 0;
  std::string text;
  for (const PageEntry& entry : page) {
    if (!PathText(entry, options, terminal, &text)) {
      ++inexact;
      std::fprintf(err,
                   "sorvik-cli: inexact: %u\t%s (the index lacks the exact bytes of its path)\n",
                   entry.id, ToConsole(WithoutControls(entry.path)).c_str());
      continue;
    }
    if (!options.paths_only) std::fprintf(out, "%u\t", entry.id);
    std::fprintf(out, "%s%c", text.c_str(), options.line_end);
  }
  const int status = Written(out, err);
  if (status != kExitOk || inexact == 0) return status;
  std::fprintf(err, "sorvik-cli: %u of %zu paths left out: their exact names are unknown\n",
               inexact, page.size());
  return kExitInexact;
}

// Prints "total: N" and one "ID<TAB>PATH" line per entry of the page (or what --count and
// --paths ask for).
int PrintSearch(const SearchRequest& request, const CliOptions& options, FILE* out, FILE* err) {
  LoadDrives(kDriveMapFile);
  uint32_t total = 0;
  std::vector<PageEntry> page;
  bool whole = true;
  std::string problem;
  if (!ReadPage(request, options, &total, &page, &whole, &problem)) {
    // A damaged index (found at load or by this search) says how.
    if (!problem.empty()) std::fprintf(err, "sorvik-cli: %s\n", ToConsole(problem).c_str());
    std::fprintf(err, "sorvik-cli: no usable index here; run 'sorvik-cli index' first\n");
    return kExitNoIndex;
  }
  if (!whole) {
    std::fprintf(err, "sorvik-cli: the entries of the page could not be read; nothing printed\n");
    return kExitNoIndex;
  }
  if (options.count_only) {
    std::fprintf(out, "%u%c", total, options.line_end);
    return Written(out, err);
  }
  if (!options.paths_only) std::fprintf(out, "total: %u%c", total, options.line_end);
  return PrintPage(page, options, out, err);
}

// Says that the favourites file holds something that could not be read.
bool ReportUnreadable(const FavoriteStore& store, FILE* err) {
  if (!store.Unreadable()) return false;
  std::fprintf(err, "sorvik-cli: %s could not be read; it is left as it is\n",
               ShownPath(store.FilePath()).c_str());
  return true;
}

int RunFavoritesList(FILE* out, FILE* err) {
  auto store = FavoriteStore::Open();
  if (ReportUnreadable(*store, err)) return kExitNoIndex;
  for (size_t i = 0; i < store->Count(); ++i) {
    const FavoriteEntry& entry = store->Item(i);
    std::fprintf(out, "%zu\t%s\t%s\n", i + 1, ToConsole(WithoutControls(entry.title)).c_str(),
                 ToConsole(WithoutControls(entry.request.keywords)).c_str());
  }
  return Written(out, err);
}

// `message` (program text) for the terminal, with the favourites file `path` in it (also as the
// start of a longer name, such as its temporary file) named as the system names it.
std::string WithShownPath(const std::string& message, const std::string& path) {
  std::string text = ToConsole(message);
  const std::string from = ToConsole(path);
  const std::string to = ShownPath(path);
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

int RunFavoritesAdd(const CliOptions& options, FILE* err) {
  auto store = FavoriteStore::Open();
  store->Add(FromConsole(options.title), RequestOf(options));
  std::string error, kept;
  const bool saved = store->Save(&error, &kept);
  if (!kept.empty()) {
    std::fprintf(err, "sorvik-cli: %s could not be read; it is kept as %s\n",
                 ShownPath(store->FilePath()).c_str(), ShownPath(kept).c_str());
  }
  if (!saved) {
    std::fprintf(err, "sorvik-cli: the favourite was not saved: %s\n",
                 WithShownPath(error, store->FilePath()).c_str());
    return kExitNoIndex;
  }
  return kExitOk;
}

int RunFavoritesRun(const CliOptions& options, FILE* out, FILE* err) {
  SearchRequest request;
  {
    auto store = FavoriteStore::Open();
    if (ReportUnreadable(*store, err)) return kExitNoIndex;
    if (static_cast<size_t>(options.favorite) > store->Count()) {
      std::fprintf(err, "sorvik-cli: there is no favourite %d (there are %zu)\n%s",
                   options.favorite, store->Count(), CliUsage(options.usage).c_str());
      return kExitUsage;
    }
    request = store->Item(static_cast<size_t>(options.favorite) - 1).request;
  }
  return PrintSearch(request, options, out, err);
}

// A keyword character the index cannot hold would turn into "?", a separator, and match
// everything: it is a usage error.
bool KeywordsSearchable(const CliOptions& options, std::string* error) {
  std::string character;
  const char* what = "keyword";
  if (!FindUnrepresentable(options.keywords, &character)) {
    // The same goes for the location: it would name a folder the index cannot hold.
    if (!FindUnrepresentable(options.location, &character)) return true;
    what = "--location";
  }
  *error = std::string("the ") + what + " character '" + character +
           "' cannot be searched for: names are indexed in the GBK code page, which has no " +
           "such character";
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, FILE* out, FILE* err) {
  if (!args.empty() && args[0] == "publish") {
    const int status = RunPublish(args, out, err);
    return status == kExitOk ? Written(out, err) : status;
  }
  CliOptions options;
  std::string error;
  if (ParseCliArgs(args, &options, &error) && PrintHelpOrVersion(options, out))
    return Written(out, err);
  if (!error.empty() || !CheckDrives(&options.drives, &error) ||
      !KeywordsSearchable(options, &error)) {
    std::fprintf(err, "sorvik-cli: %s\n%s", error.c_str(), CliUsage(options.usage).c_str());
    return kExitUsage;
  }
  if (!EnterWork(options, err)) return kExitNoIndex;
  switch (options.command) {
    case CliCommand::kIndex:
      return RunIndex(options, err);
    case CliCommand::kSearch:
      return PrintSearch(RequestOf(options), options, out, err);
    case CliCommand::kFavoritesList:
      return RunFavoritesList(out, err);
    case CliCommand::kFavoritesAdd:
      return RunFavoritesAdd(options, err);
    case CliCommand::kFavoritesRun:
      return RunFavoritesRun(options, out, err);
  }
  return kExitUsage;
}

}  // namespace sorvik
