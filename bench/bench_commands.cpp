#include "bench/bench_commands.h"

#include <cstdlib>
#include <memory>

#include "bench/bench_clock.h"
#include "bench/name_scan.h"
#include "bench/query_list.h"
#include "bench/simd_find.h"
#include "cli/console.h"
#include "index/index_builder.h"
#include "index/name_index.h"
#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "index/snapshot_walker.h"
#include "lifecycle/build_index.h"
#include "lifecycle/index_environment.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "query/search_result.h"
#include "query/sort_orders.h"
#include "settings/config_store.h"

namespace sorvik {
namespace bench {
namespace {

constexpr char kDriveMapFile[] = "drives.map";  // the same map sorvik-cli keeps
constexpr int kPageSize = 800;                  // what the search window asks for
constexpr char kNamesFolder[] = "BenchNames";   // where the names command builds
constexpr char kWalkFolder[] = "BenchWalk";     // the walk command's scratch snapshot

struct BenchArgs {
  std::string command;                               // build, walk, names, search or floor
  std::string work;                                  // folder of NIndex, as typed
  std::string queries;                               // query file (native path)
  std::string out;                                   // result file; empty for stdout
  std::vector<std::pair<char, std::string>> drives;  // --drive letter and directory
  std::vector<std::string> roots;                    // --root texts, walked as given
  uint32_t chunk_names = kDefaultChunkNames;         // names per chunk of the build
  int walk_threads = -1;                             // --walk-threads; -1: the build's own
  int runs = 7;                                      // timed runs per query, after a warm-up
};

bool ParseDrive(const std::string& value, std::pair<char, std::string>* drive) {
  if (value.size() < 4 || value[1] != ':' || value[2] != '=') return false;
  *drive = {value[0], value.substr(3)};
  return true;
}

bool ParseArgs(const std::vector<std::string>& args, BenchArgs* parsed, std::string* error) {
  if (args.empty()) {
    return (*error = "a command is needed: build, walk, names, search, sort or floor"), false;
  }
  parsed->command = args[0];
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return (*error = option + " needs a value"), false;
    const std::string& value = args[i + 1];
    std::pair<char, std::string> drive;
    if (option == "--work") {
      parsed->work = value;
    } else if (option == "--queries") {
      parsed->queries = value;
    } else if (option == "--out") {
      parsed->out = value;
    } else if (option == "--drive" && ParseDrive(value, &drive)) {
      parsed->drives.push_back(drive);
    } else if (option == "--root") {
      parsed->roots.push_back(value);
    } else if (option == "--walk-threads" && std::atoi(value.c_str()) >= 0) {
      parsed->walk_threads = std::atoi(value.c_str());
    } else if (option == "--chunk-names" && std::atoi(value.c_str()) > 0) {
      parsed->chunk_names = static_cast<uint32_t>(std::atoi(value.c_str()));
    } else if (option == "--runs" && std::atoi(value.c_str()) > 0) {
      parsed->runs = std::atoi(value.c_str());
    } else {
      return (*error = "unknown option or bad value: " + option + " " + value), false;
    }
  }
  if (parsed->work.empty()) return (*error = "--work is needed"), false;
  return true;
}

// Where the result lines go.
class Results {
 public:
  explicit Results(const std::string& path)
      : file_(path.empty() ? stdout : std::fopen(path.c_str(), "ab")) {}
  ~Results() {
    if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  }
  FILE* file() const { return file_; }

 private:
  FILE* file_;  // the result file, or stdout
};

bool EnterWork(const BenchArgs& args, FILE* err) {
  const std::string work = FromConsole(args.work);
  if (args.command == "build" || args.command == "walk") CreateFolder(work);
  if (!SetCurrentFolder(work)) {
    std::fprintf(err, "sorvik-bench: cannot use the folder %s\n", args.work.c_str());
    return false;
  }
  ConfigStore::Instance().UseFolder(".");
  return true;
}

std::unique_ptr<IndexManager> OpenManager() {
  return std::make_unique<IndexManager>(
      ".\\",
      std::make_unique<SystemIndexEnvironment>(&ConfigStore::Instance(), BuildOptions(), false),
      false);
}

// One search as the window runs it: page 1 with its first details; the result is released.
void Search(IndexManager* manager, const SearchRequest& request, uint32_t* total) {
  SearchResult* result = manager->Search(request, 1, kPageSize, total);
  if (result != nullptr) result->Release();
}

// Prints one query's line: class, variant, median, min, max, total, keywords.
void PrintQuery(FILE* out, const char* kind, const BenchQuery& query,
                const std::vector<double>& samples, uint32_t total) {
  double low = samples.empty() ? 0 : samples[0], high = low;
  for (double sample : samples) {
    low = sample < low ? sample : low;
    high = sample > high ? sample : high;
  }
  std::fprintf(out, "%s\t%s\t%s\t%.1f\t%.1f\t%.1f\t%u\t%s\n", kind, query.query_class.c_str(),
               query.variant.c_str(), Median(samples), low, high, total, query.keywords.c_str());
}

// Times fn(q) for every query q, round by round over all of them, so that a busy moment of the
// machine spreads over many queries instead of spoiling every run of one; the first round only
// warms up. Returns the microseconds of each query's timed runs.
template <typename Fn>
std::vector<std::vector<double>> TimeRounds(size_t queries, int runs, Fn fn) {
  std::vector<std::vector<double>> samples(queries);
  for (int run = 0; run <= runs; ++run) {
    for (size_t q = 0; q < queries; ++q) {
      const double start = NowUs();
      fn(q);
      if (run > 0) samples[q].push_back(NowUs() - start);
    }
  }
  return samples;
}

// Checks and maps the --drive folders; false (with the reason on `err`) for a bad one.
bool MapBenchDrives(const BenchArgs& args, FILE* err,
                    std::vector<std::pair<char, std::string>>* drives) {
  std::string error;
  *drives = args.drives;
  if (!CheckDrives(drives, &error)) {
    std::fprintf(err, "sorvik-bench: %s\n", error.c_str());
    return false;
  }
  MapDrives(*drives);
  return true;
}

int RunBuild(const BenchArgs& args, FILE* out, FILE* err) {
  std::vector<std::pair<char, std::string>> drives;
  if (!MapBenchDrives(args, err, &drives)) return 2;
  SaveDrives(drives, kDriveMapFile);
  BuildOptions build;
  build.chunk_names = args.chunk_names;
  build.settle_ms = 0;
  const double start = NowUs();
  const bool built = BuildIndex(&ConfigStore::Instance(), build).ok();
  const double wall_ms = (NowUs() - start) / 1000;
  const uint64_t peak = PeakMemoryBytes();
  std::unique_ptr<IndexManager> manager = OpenManager();
  manager->SwapInNewIndex();
  uint32_t total = 0;
  Search(manager.get(), SearchRequest(), &total);
  if (!built || !manager->HasLoadedIndex()) {
    std::fprintf(err, "sorvik-bench: the build produced no usable index\n");
    return 1;
  }
  std::fprintf(out, "build\t%.1f\t%llu\t%u\n", wall_ms, static_cast<unsigned long long>(peak),
               total);
  return 0;
}

// The walk alone, the first step of a build: every mapped drive and every --root walked into a
// scratch snapshot that is deleted afterwards. The time includes finishing the snapshot files.
int RunWalk(const BenchArgs& args, FILE* out, FILE* err) {
  std::vector<std::pair<char, std::string>> drives;
  if (!MapBenchDrives(args, err, &drives)) return 2;
  std::vector<std::string> roots;
  for (const auto& drive : args.drives) roots.push_back(std::string(1, drive.first) + ":");
  for (const std::string& root : args.roots) roots.push_back(FromConsole(root));
  if (roots.empty()) {
    std::fprintf(err, "sorvik-bench: walk needs --drive or --root\n");
    return 2;
  }
  uint32_t entries = 0;
  const double start = NowUs();
  {
    Status status;
    auto walker = SnapshotWalker::Open(std::string(".\\") + kWalkFolder, 0, &status);
    if (!walker) {
      std::fprintf(err, "sorvik-bench: %s\n", status.ToString().c_str());
      return 1;
    }
    if (args.walk_threads >= 0) walker->SetListerThreads(static_cast<unsigned>(args.walk_threads));
    for (const std::string& root : roots) entries += walker->WalkRoot(root);
  }
  const double wall_ms = (NowUs() - start) / 1000;
  DeleteFolderTree(kWalkFolder);
  std::fprintf(out, "walk\t%.1f\t%llu\t%u\n", wall_ms,
               static_cast<unsigned long long>(PeakMemoryBytes()), entries);
  return 0;
}

// The name index of the live index's records built again into a folder of their own, so that
// it can be compared with the live one: first alone (index.mtr and index.dat, "names"), then
// with the initials index beside it, as a build makes them ("names+initials"). The difference
// is what the initials index adds to a build.
int RunNames(const BenchArgs& args, FILE* out, FILE* err) {
  RecordStore store;
  if (!store.Open(std::string(".\\") + kLiveFolder + "\\" + snapshot::kRecordFile)) {
    std::fprintf(err, "sorvik-bench: no record store here\n");
    return 1;
  }
  for (const bool initials : {false, true}) {
    DeleteFolderTree(kNamesFolder);
    IndexBuilder builder;
    builder.SetWorkFolder(std::string(".\\") + kNamesFolder + "\\");
    builder.SetRecordSource(&store);
    builder.SetLog(BuildLog());
    builder.SetInitials(initials);
    builder.SetChunkNames(args.chunk_names);
    const double start = NowUs();
    const bool built = builder.Build();
    const double wall_ms = (NowUs() - start) / 1000;
    if (!built) {
      std::fprintf(err, "sorvik-bench: the name index could not be built\n");
      return 1;
    }
    std::fprintf(out, "%s\t%.1f\t%llu\t%u\n", initials ? "names+initials" : "names", wall_ms,
                 static_cast<unsigned long long>(PeakMemoryBytes()), store.Count());
  }
  return 0;
}

int RunSearch(const BenchArgs& args, FILE* out, FILE* err) {
  LoadDrives(kDriveMapFile);
  std::unique_ptr<IndexManager> manager = OpenManager();
  if (!manager->HasLoadedIndex()) {
    std::fprintf(err, "sorvik-bench: no usable index in %s\n", args.work.c_str());
    return 1;
  }
  const std::vector<BenchQuery> queries = ReadQueryFile(args.queries);
  std::vector<SearchRequest> requests;
  for (const BenchQuery& query : queries) requests.push_back(RequestOf(query));
  std::vector<uint32_t> totals(queries.size(), 0);
  const std::vector<std::vector<double>> samples = TimeRounds(
      queries.size(), args.runs, [&](size_t q) { Search(manager.get(), requests[q], &totals[q]); });
  for (size_t q = 0; q < queries.size(); ++q) {
    PrintQuery(out, "search", queries[q], samples[q], totals[q]);
  }
  return 0;
}

// The sort orders of DIR\NIndex written again into a scratch file, as a build writes them;
// prints "orders<TAB>WALL_MS<TAB>BYTES" and deletes the file.
bool TimeOrders(FILE* out, FILE* err) {
  RecordStore store;
  if (!store.Open(std::string(".\\") + kLiveFolder + "\\" + snapshot::kRecordFile)) {
    std::fprintf(err, "sorvik-bench: no record store\n");
    return false;
  }
  const std::string path = ".\\BenchOrders.ord";
  const double start = NowUs();
  const Status written = WriteSortOrders(&store, path);
  const double ms = (NowUs() - start) / 1000;
  store.Close();
  uint64_t bytes = 0;
  FileSizeOf(path, &bytes);
  RemoveFile(path);
  if (!written.ok()) {
    std::fprintf(err, "sorvik-bench: %s\n", written.ToString().c_str());
    return false;
  }
  std::fprintf(out, "orders\t%.1f\t%llu\n", ms, static_cast<unsigned long long>(bytes));
  return true;
}

// Every entry sorted by each key both ways: page 1 and page 500 (ranks 399,201..400,000) of 800,
// each timed as the window would ask for it after a header click.
int RunSort(const BenchArgs& args, FILE* out, FILE* err) {
  LoadDrives(kDriveMapFile);
  std::unique_ptr<IndexManager> manager = OpenManager();
  if (!manager->HasLoadedIndex()) {
    std::fprintf(err, "sorvik-bench: no usable index in %s\n", args.work.c_str());
    return 1;
  }
  if (!TimeOrders(out, err)) return 1;
  struct Case {
    SearchRequest request;
    int page;
  };
  std::vector<Case> cases;
  for (int32_t key = kSortName; key <= kSortSize; ++key) {
    for (bool ascending : {true, false}) {
      for (int page : {1, 500}) {
        Case item{SearchRequest(), page};
        item.request.sortKey = key;
        item.request.sortAscending = ascending;
        cases.push_back(item);
      }
    }
  }
  std::vector<uint32_t> totals(cases.size(), 0);
  const std::vector<std::vector<double>> samples =
      TimeRounds(cases.size(), args.runs, [&](size_t c) {
        SearchResult* result =
            manager->Search(cases[c].request, cases[c].page, kPageSize, &totals[c]);
        if (result != nullptr) result->Release();
      });
  const char* const keys[] = {"", "name", "folder", "time", "size"};
  for (size_t c = 0; c < cases.size(); ++c) {
    std::fprintf(out, "sort\t%s\t%s\t%d\t%.1f\t%u\n", keys[cases[c].request.sortKey],
                 cases[c].request.sortAscending ? "up" : "down", cases[c].page, Median(samples[c]),
                 totals[c]);
  }
  return 0;
}

int RunFloor(const BenchArgs& args, FILE* out, FILE* err) {
  RecordStore store;
  if (!store.Open(std::string(".\\") + kLiveFolder + "\\" + snapshot::kRecordFile)) {
    std::fprintf(err, "sorvik-bench: no record store in %s\n", args.work.c_str());
    return 1;
  }
  NameScan scan;
  const double start = NowUs();
  const uint32_t names = scan.Load(&store);
  std::fprintf(out, "floor-load\t%.1f\t%u\t%s\n", (NowUs() - start) / 1000, names,
               FindFirstLastUsesAvx2() ? "avx2" : "sse2");
  std::vector<BenchQuery> queries;
  std::vector<std::string> lines;
  for (const BenchQuery& query : ReadQueryFile(args.queries)) {
    if (query.variant != "plain") continue;  // the scan knows names only, no filters
    queries.push_back(query);
    lines.push_back(RequestOf(query).keywords);
  }
  for (ScanFinder finder : {ScanFinder::kSimd, ScanFinder::kLibrary}) {
    std::vector<uint32_t> totals(queries.size(), 0);
    const std::vector<std::vector<double>> samples = TimeRounds(
        queries.size(), args.runs, [&](size_t q) { totals[q] = scan.Count(lines[q], finder); });
    for (size_t q = 0; q < queries.size(); ++q) {
      PrintQuery(out, finder == ScanFinder::kSimd ? "floor" : "memmem", queries[q], samples[q],
                 totals[q]);
    }
  }
  return 0;
}

}  // namespace

int RunBench(const std::vector<std::string>& args, FILE* err) {
  BenchArgs parsed;
  std::string error;
  if (!ParseArgs(args, &parsed, &error)) {
    std::fprintf(err, "sorvik-bench: %s\nsee bench/bench_commands.h for the commands\n",
                 error.c_str());
    return 2;
  }
  // The result file is opened before the work folder becomes current: its path is as given.
  Results results(parsed.out);
  if (results.file() == nullptr) {
    std::fprintf(err, "sorvik-bench: cannot write %s\n", parsed.out.c_str());
    return 1;
  }
  if (!EnterWork(parsed, err)) return 1;
  if (parsed.command == "build") return RunBuild(parsed, results.file(), err);
  if (parsed.command == "walk") return RunWalk(parsed, results.file(), err);
  if (parsed.command == "search") return RunSearch(parsed, results.file(), err);
  if (parsed.command == "floor") return RunFloor(parsed, results.file(), err);
  if (parsed.command == "sort") return RunSort(parsed, results.file(), err);
  if (parsed.command == "names") return RunNames(parsed, results.file(), err);
  std::fprintf(err, "sorvik-bench: unknown command %s\n", parsed.command.c_str());
  return 2;
}

}  // namespace bench
}  // namespace sorvik
