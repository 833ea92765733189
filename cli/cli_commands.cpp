#include "cli/cli_commands.h"

#include <memory>

#include "settings/config_store.h"
#include "cli/cli_options.h"
#include "cli/console.h"
#include "favourites/favorite_store.h"
#include "lifecycle/build_index.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "query/search_request.h"
#include "query/search_result.h"

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

int RunIndex(const CliOptions& options, FILE* err) {
  std::string error;
  if (!SetUpDrives(options.drives, kDriveMapFile, &error)) {
    std::fprintf(err, "sorvik-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  BuildOptions build;
  build.chunk_names = options.chunk_names;
  build.settle_ms = 0;
  bool built = false;
  {
    ConsoleProgress progress(err);
    built = BuildIndex(&ConfigStore::Instance(), build);
  }
  if (!built) {
    // A build that failed part way (a full disk...) is never moved in: the index stays as it was.
    DeleteFolderTree(build.work + kBuildFolder);
    std::fprintf(err, "sorvik-cli: the build failed; the index was not replaced\n");
    return kExitNoIndex;
  }
  std::unique_ptr<IndexManager> manager = OpenManager(build);
  manager->SwapInNewIndex();
  if (!manager->HasLoadedIndex()) {
    std::fprintf(err, "sorvik-cli: the build produced no usable index\n");
    return kExitNoIndex;
  }
  uint32_t total = 0;
  SearchResult* all = manager->Search(SearchRequest(), 1, 1, &total);
  if (all != nullptr) all->Release();
  std::fprintf(err, "indexed %u entries\n", total);
  return kExitOk;
}

SearchRequest RequestOf(const CliOptions& options) {
  int month = options.month == -1 ? 0 : options.month;
  SearchRequest request = MakeSearchRequest(
      NormalizeKeywords(FromConsole(options.keywords)), FromConsole(options.location),
      options.category, options.hidden_only, options.year, options.year == 0 ? -1 : month);
  request.pinyin = options.pinyin;
  return request;
}

// Prints "total: N" and one "ID<TAB>PATH" line per entry of the page.
int PrintSearch(const SearchRequest& request, const CliOptions& options, FILE* out, FILE* err) {
  LoadDrives(kDriveMapFile);
  BuildOptions build;
  std::unique_ptr<IndexManager> manager = OpenManager(build);
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, options.page, options.page_size, &total);
  if (result == nullptr) {
    std::fprintf(err, "sorvik-cli: no usable index here; run 'sorvik-cli index' first\n");
    return kExitNoIndex;
  }
  std::fprintf(out, "total: %u\n", total);
  std::string path;
  for (uint32_t id : result->ids) {
    result->GetFullPath(id, &path);
    std::fprintf(out, "%u\t%s\n", id, ToConsole(path).c_str());
  }
  result->Release();
  return kExitOk;
}

int RunFavoritesList(FILE* out) {
  FavoriteStore store;
  for (size_t i = 0; i < store.Count(); ++i) {
    const FavoriteEntry& entry = store.Item(i);
    std::fprintf(out, "%zu\t%s\t%s\n", i + 1, ToConsole(entry.title).c_str(),
                 ToConsole(entry.request.keywords).c_str());
  }
  return kExitOk;
}

int RunFavoritesAdd(const CliOptions& options) {
  FavoriteStore store;
  store.Add(FromConsole(options.title), RequestOf(options));
  store.Save();
  return kExitOk;
}

int RunFavoritesRun(const CliOptions& options, FILE* out, FILE* err) {
  SearchRequest request;
  {
    FavoriteStore store;
    if (static_cast<size_t>(options.favorite) > store.Count()) {
      std::fprintf(err, "sorvik-cli: there is no favourite %d (there are %zu)\n", options.favorite,
                   store.Count());
      return kExitUsage;
    }
    request = store.Item(static_cast<size_t>(options.favorite) - 1).request;
  }
  return PrintSearch(request, options, out, err);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, FILE* out, FILE* err) {
  CliOptions options;
  std::string error;
  if (!ParseCliArgs(args, &options, &error)) {
    std::fprintf(err, "sorvik-cli: %s\n%s", error.c_str(), CliUsage());
    return kExitUsage;
  }
  if (!EnterWork(options, err)) return kExitNoIndex;
  switch (options.command) {
    case CliCommand::kIndex:
      return RunIndex(options, err);
    case CliCommand::kSearch:
      return PrintSearch(RequestOf(options), options, out, err);
    case CliCommand::kFavoritesList:
      return RunFavoritesList(out);
    case CliCommand::kFavoritesAdd:
      return RunFavoritesAdd(options);
    case CliCommand::kFavoritesRun:
      return RunFavoritesRun(options, out, err);
  }
  return kExitUsage;
}

}  // namespace sorvik
