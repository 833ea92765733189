// sorvik-micro: Google Benchmark timings of the hot pieces of the index and the query.
// Benchmarks that need a real index read it from the folder named by SORVIK_BENCH_INDEX (an
// NIndex folder, as bench/run builds them); without it they are skipped.
#include <benchmark/benchmark.h>

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
#include "query/query_engine.h"

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

}  // namespace
}  // namespace sorvik

BENCHMARK_MAIN();
