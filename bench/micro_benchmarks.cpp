// sorvik-micro: Google Benchmark timings of the hot pieces of the index and the query.
// Benchmarks that need a real index read it from the folder named by SORVIK_BENCH_INDEX (an
// NIndex folder, as bench/run builds them); without it they are skipped.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "index/index_reader.h"
#include "index/key_matrix.h"
#include "index/key_matrix_view.h"
#include "index/name_index_format.h"
#include "index/name_keys.h"
#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "query/entry_set.h"
#include "query/live_layer.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "query/search_result.h"

namespace sorvik {
namespace {

constexpr uint32_t kSetEntries = 1000000;  // entries of the synthetic sets

// The index folder to read, or empty.
std::string IndexFolder() {
  const char* folder = std::getenv("SORVIK_BENCH_INDEX");
  return folder == nullptr ? std::string() : std::string(folder);
}

// A set of kSetEntries entries with about one in `every` set.
std::unique_ptr<EntrySet> RandomSet(uint32_t every) {
  std::unique_ptr<EntrySet> set = EntrySet::Create(kSetEntries, 0x00);
  std::mt19937 random(7);
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= kSetEntries; ++id) {
    if (random() % every == 0) ids.push_back(id);
  }
  set->SetIds(ids.data(), static_cast<uint32_t>(ids.size()));
  return set;
}

void BM_TokenizeName(benchmark::State& state, std::string name) {
  uint32_t keys[names::kMaxNameKeys];
  for (auto _ : state) {
    benchmark::DoNotOptimize(TokenizeName(name.data(), name.size(), names::kMaxPosition, keys));
  }
}
BENCHMARK_CAPTURE(BM_TokenizeName, ascii_24, std::string("Quarterly_Report_2019.xls"));
BENCHMARK_CAPTURE(BM_TokenizeName, gbk_12, std::string("\xC4\xEA\xB6\xC8\xB1\xA8\xB8\xE6.doc"));
BENCHMARK_CAPTURE(BM_TokenizeName, long_200, std::string(200, 'k'));

void BM_EntrySetCount(benchmark::State& state) {
  std::unique_ptr<EntrySet> set = RandomSet(static_cast<uint32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(set->Count());
}
BENCHMARK(BM_EntrySetCount)->Arg(2)->Arg(1000);

void BM_CollectRanks(benchmark::State& state) {
  std::unique_ptr<EntrySet> set = RandomSet(10);
  const uint32_t first = static_cast<uint32_t>(state.range(0));
  std::vector<uint32_t> ids;
  for (auto _ : state) {
    ids.clear();
    EntrySetCursor cursor(*set);
    benchmark::DoNotOptimize(cursor.CollectRanks(first, 800, &ids));
  }
}
BENCHMARK(BM_CollectRanks)->Arg(1)->Arg(80001);

// A reader on the index of SORVIK_BENCH_INDEX, opened once.
IndexReader* SharedReader() {
  static std::unique_ptr<IndexReader> reader;
  if (!reader && !IndexFolder().empty()) {
    reader = std::make_unique<IndexReader>();
    reader->Open(IndexFolder() + "/" + names::kMatrixFile,
                 IndexFolder() + "/" + names::kPostingFile);
  }
  return reader.get();
}

void BM_MatchWord(benchmark::State& state, std::string word) {
  IndexReader* reader = SharedReader();
  if (reader == nullptr) return state.SkipWithError("SORVIK_BENCH_INDEX is not set");
  const uint32_t entries = reader->NameCount();
  for (auto _ : state) {
    std::unique_ptr<EntrySet> set = EntrySet::Create(entries, 0x00);
    MatchWord(reader, word, set.get());
    benchmark::DoNotOptimize(set->bytes());
  }
}
BENCHMARK_CAPTURE(BM_MatchWord, one_key_common, std::string("in"));
BENCHMARK_CAPTURE(BM_MatchWord, one_key_rare, std::string("qz"));
BENCHMARK_CAPTURE(BM_MatchWord, two_keys, std::string("log"));
BENCHMARK_CAPTURE(BM_MatchWord, long_word, std::string("screenshot"));
BENCHMARK_CAPTURE(BM_MatchWord, very_long_word, std::string("presentation_quarterly"));

void BM_KeyMatrixLoad(benchmark::State& state) {
  if (IndexFolder().empty()) return state.SkipWithError("SORVIK_BENCH_INDEX is not set");
  const std::string path = IndexFolder() + "/" + names::kMatrixFile;
  for (auto _ : state) {
    KeyMatrix matrix;
    matrix.Open(path);
    benchmark::DoNotOptimize(matrix.NameCount());
  }
}
BENCHMARK(BM_KeyMatrixLoad)->Unit(benchmark::kMillisecond);

// The read-only matrix a search process opens.
void BM_KeyMatrixViewLoad(benchmark::State& state) {
  if (IndexFolder().empty()) return state.SkipWithError("SORVIK_BENCH_INDEX is not set");
  const std::string path = IndexFolder() + "/" + names::kMatrixFile;
  for (auto _ : state) {
    KeyMatrixView view;
    view.Open(path);
    benchmark::DoNotOptimize(view.NameCount());
  }
}
BENCHMARK(BM_KeyMatrixViewLoad)->Unit(benchmark::kMicrosecond);

void BM_RecordStoreRead(benchmark::State& state) {
  if (IndexFolder().empty()) return state.SkipWithError("SORVIK_BENCH_INDEX is not set");
  RecordStore store;
  store.Open(IndexFolder() + "/" + snapshot::kRecordFile);
  const uint32_t count = store.Count();
  if (count == 0) return state.SkipWithError("the index has no records");
  std::mt19937 random(11);
  EntryRecord record;
  for (auto _ : state) benchmark::DoNotOptimize(store.Read(1 + random() % count, &record));
}
BENCHMARK(BM_RecordStoreRead);

// The index of SORVIK_BENCH_INDEX loaded once, as the index manager loads it.
LoadedIndex* SharedIndex() {
  static std::unique_ptr<LoadedIndex> index;
  if (!index && !IndexFolder().empty()) {
    index = std::make_unique<LoadedIndex>();
    if (!index->Open(IndexFolder())) index.reset();
  }
  return index.get();
}

// A live layer of `changes` changes over `index`: half additions with generated names, half
// removals of index entries spread over the ids.
std::unique_ptr<LiveLayer> MakeLayer(LoadedIndex* index, uint32_t changes) {
  auto layer = std::make_unique<LiveLayer>(index->EntryCount());
  std::mt19937 random(13);
  static const char* kWords[] = {"report", "log", "photo", "screenshot", "data", "in", "qz"};
  static const char* kExtensions[] = {".doc", ".txt", ".jpg", ".exe", ""};
  FindRecord record = {};
  record.attributes = kAttributeArchive;
  record.last_write = 132000000000000000ull;  // 2019
  for (uint32_t i = 0; i < changes / 2; ++i) {
    const std::string name =
        std::string(kWords[random() % 7]) + "_" + std::to_string(i) + kExtensions[random() % 5];
    std::snprintf(record.name, sizeof record.name, "%s", name.c_str());
    layer->Put("D:\\live\\d" + std::to_string(i % 97) + "\\" + name, record, 2026);
  }
  for (uint32_t i = 0; i < changes - changes / 2; ++i) {
    layer->RemoveIndexId(1 + random() % index->EntryCount());
  }
  return layer;
}

// One page of a search with `changes` changes in the live layer (0: no layer at all).
void BM_SearchWithLiveLayer(benchmark::State& state, std::string keywords) {
  LoadedIndex* index = SharedIndex();
  if (index == nullptr) return state.SkipWithError("SORVIK_BENCH_INDEX is not set");
  const uint32_t changes = static_cast<uint32_t>(state.range(0));
  std::unique_ptr<LiveLayer> layer = changes == 0 ? nullptr : MakeLayer(index, changes);
  SearchRequest request;
  request.keywords = keywords;
  for (auto _ : state) {
    uint32_t total = 0;
    SearchResult* result = RunQuery(index, nullptr, request, 1, kPageSize, &total, layer.get());
    benchmark::DoNotOptimize(total);
    if (result != nullptr) result->Release();
  }
}
BENCHMARK_CAPTURE(BM_SearchWithLiveLayer, word, std::string("report"))
    ->Arg(0)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchWithLiveLayer, everything, std::string(""))
    ->Arg(0)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchWithLiveLayer, two_words, std::string("screenshot 2"))
    ->Arg(0)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sorvik

BENCHMARK_MAIN();
