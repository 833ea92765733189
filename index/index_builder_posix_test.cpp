// Time and peak memory of building a name index, printed for the benchmark notes; nothing is
// asserted about either. Runs only when asked:
//   SORVIK_NAME_BENCH_DB=<db.txt of a walked tree>  indexes the names of that record store;
//   SORVIK_NAME_BENCH_NAMES=<count>                 indexes that many generated names.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "index/index_builder.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::TempFolder;

// Peak resident memory of this process in KiB (VmHWM), 0 when unknown.
long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// Starts a new peak measurement from the current resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// File and folder names of mixed shape: English words, digits, dates, brackets, extensions, and
// about one name in four with Chinese characters.
std::string GeneratedName(std::mt19937* rng) {
  static const char* const kWords[] = {"report", "Setup", "data",  "IMG",     "backup", "Program",
                                       "readme", "final", "draft", "Windows", "music",  "photo"};
  static const char* const kExt[] = {".txt", ".dll", ".jpg", ".docx", ".exe", ".mp3", ""};
  static const char* const kChinese[] = {"\xD6\xD0\xCE\xC4", "\xCE\xC4\xBC\xFE", "\xCD\xBC\xC6\xAC",
                                         "\xD2\xF4\xC0\xD6", "\xB1\xA8\xB8\xE6"};
  auto pick = [rng](uint32_t n) { return static_cast<uint32_t>((*rng)() % n); };
  std::string name;
  uint32_t parts = 1 + pick(3);
  for (uint32_t i = 0; i < parts; ++i) {
    if (i > 0) name += "_- ("[pick(4)];
    name += pick(4) == 0 ? kChinese[pick(5)] : kWords[pick(12)];
    if (pick(3) == 0) name += std::to_string(pick(100000));
  }
  return name + kExt[pick(7)];
}

TEST(IndexBuilderBench, BuildTimeAndPeakMemory) {
  const char* db = std::getenv("SORVIK_NAME_BENCH_DB");
  const char* count = std::getenv("SORVIK_NAME_BENCH_NAMES");
  if ((db == nullptr || *db == '\0') && (count == nullptr || *count == '\0')) {
    GTEST_SKIP() << "SORVIK_NAME_BENCH_DB or SORVIK_NAME_BENCH_NAMES not set";
  }
  TempFolder folder;
  RecordStore store;
  if (db != nullptr && *db != '\0') {
    ASSERT_TRUE(store.Open(db));
  } else {
    ASSERT_TRUE(store.Open(folder.Join("db.txt")));
    std::mt19937 rng(42);
    for (long i = std::atol(count); i > 0; --i) {
      store.Append("I:" + GeneratedName(&rng) + "\nM:5f000000\nD:C:\nS:10\n");
    }
  }
  IndexBuilder builder;
  builder.SetWorkFolder(folder.Path() + "\\");
  builder.SetRecordSource(&store);
  ResetPeak();
  long before = PeakKiB();
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(builder.Build());
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("name index of %u entries: %.3f s, peak %.1f MiB (%.1f MiB before the build)\n",
              store.Count(), seconds, PeakKiB() / 1024.0, before / 1024.0);
  std::printf("index.mtr %.1f MiB, index.dat %.1f MiB\n",
              std::filesystem::file_size(folder.Join("index.mtr")) / 1048576.0,
              std::filesystem::file_size(folder.Join("index.dat")) / 1048576.0);
}

}  // namespace
}  // namespace sorvik
