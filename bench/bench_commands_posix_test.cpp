#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_commands.h"
#include "platform/drives.h"
#include "testing/test_util.h"

namespace sorvik {
namespace bench {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// The tab-separated fields of the lines of `path`.
std::vector<std::vector<std::string>> ResultLines(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    lines.push_back(fields);
  }
  return lines;
}

// Runs sorvik-bench with `args` and puts the current folder back, which the command changes.
int Bench(const std::vector<std::string>& args) {
  const fs::path current = fs::current_path();
  const int status = RunBench(args, stderr);
  fs::current_path(current);
  return status;
}

TEST(BenchWalk, CountsEveryEntryOfEveryDriveAndLeavesNoSnapshot) {
  TempFolder first, second, work;
  // Five entries at three levels in the first tree, two in the second.
  fs::create_directories(fs::path(first.Path()) / "sub" / "deeper");
  std::ofstream(first.Join("a.txt")) << "a";
  std::ofstream(first.Join(".hidden")) << "";
  std::ofstream(fs::path(first.Path()) / "sub" / "b.txt") << "b";
  fs::create_directories(fs::path(second.Path()) / "empty");
  std::ofstream(second.Join("c.txt")) << "c";
  const std::string out = work.Join("walk.tsv");

  ASSERT_EQ(Bench({"walk", "--work", work.Path(), "--drive", "V:=" + first.Path(), "--drive",
                   "W:=" + second.Path(), "--out", out}),
            0);
  const auto lines = ResultLines(out);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 4u);
  EXPECT_EQ(lines[0][0], "walk");
  EXPECT_GE(std::atof(lines[0][1].c_str()), 0.0);
  EXPECT_GT(std::atoll(lines[0][2].c_str()), 0);
  EXPECT_EQ(lines[0][3], "7");
  EXPECT_FALSE(fs::exists(fs::path(work.Path()) / "BenchWalk"));
  UnmapTestDrive('V');
  UnmapTestDrive('W');
}

TEST(BenchWalk, WithoutADriveOrAFolderItIsAUsageError) {
  TempFolder work;
  EXPECT_EQ(Bench({"walk", "--work", work.Path()}), 2);
  EXPECT_EQ(Bench({"walk", "--work", work.Path(), "--drive", "W:=" + work.Join("absent")}), 2);
  EXPECT_EQ(Bench({"walk", "--work", work.Path(), "--drive"}), 2);
}

// The peak counts memory this program touched, in bytes, and does not fall when it is freed.
TEST(BenchPeakMemory, CountsMemoryThisProgramTouched) {
  const size_t size = 64u << 20;
  std::vector<char> block(size, 1);
  const uint64_t during = PeakMemoryBytes();
  EXPECT_GE(during, size) << static_cast<int>(block[size - 1]);
  EXPECT_LT(during, uint64_t{16} << 30);  // bytes, not something a thousand times larger
  block = std::vector<char>();
  EXPECT_GE(PeakMemoryBytes(), during);
}

}  // namespace
}  // namespace bench
}  // namespace sorvik
