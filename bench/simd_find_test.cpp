#include "bench/simd_find.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bench/name_scan.h"

namespace sorvik {
namespace bench {
namespace {

// The offset FindFirstLast reports, or npos.
size_t Found(const std::string& haystack, const std::string& needle) {
  const char* hit = FindFirstLast(haystack.data(), haystack.size(), needle.data(), needle.size());
  return hit == nullptr ? std::string::npos : static_cast<size_t>(hit - haystack.data());
}

TEST(FindFirstLast, AgreesWithAPlainSearchEverywhereInTheBuffer) {
  // A small alphabet makes first-and-last candidates that memcmp must turn down.
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string haystack(random() % 200, 'a');
    for (char& c : haystack) c = static_cast<char>("ab\xB1\n"[random() % 4]);
    std::string needle(1 + random() % 40, 'a');
    for (char& c : needle) c = static_cast<char>("ab\xB1"[random() % 3]);
    if (!haystack.empty() && random() % 2 == 0) {  // plant it, often at the very end
      const size_t at = random() % 3 == 0 ? haystack.size() : random() % haystack.size();
      haystack.insert(at, needle);
    }
    ASSERT_EQ(Found(haystack, needle), haystack.find(needle)) << round;
  }
  EXPECT_EQ(Found("ab", "abc"), std::string::npos);
  EXPECT_EQ(Found(std::string(100, 'x') + "yz", "yz"), 100u);
}

TEST(FindFirstLast, FindNamesHoldingNamesEachNameOnce) {
  // Names of 0 to 80 bytes, so that names and hits begin, end and repeat anywhere in a vector.
  std::mt19937 random(5);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    std::vector<uint32_t> expected;
    std::string needle(1 + random() % 5, 'a');
    for (char& c : needle) c = "ab"[random() % 2];
    for (int names = random() % 30; names > 0; --names) {
      std::string name(random() % 81, 'a');
      for (char& c : name) c = "abc"[random() % 3];
      if (name.find(needle) != std::string::npos) expected.push_back(text.size());
      text += name + '\n';
    }
    std::vector<uint32_t> starts;
    FindNamesHolding(text.data(), text.size(), needle.data(), needle.size(), &starts);
    ASSERT_EQ(starts, expected) << round;
  }
}

TEST(FindFirstLast, TheVectorScanCountsAsTheLibrarySearch) {
  std::mt19937 random(11);
  NameScan scan;
  const char* const parts[] = {"Report", "\xB1\xA8\xB8\xE6", "_2019", ".doc", "budget", "re"};
  for (int i = 0; i < 5000; ++i) {
    std::string name;
    for (int n = 1 + random() % 4; n > 0; --n) name += parts[random() % 6];
    scan.Add(name.data(), static_cast<uint32_t>(name.size()));
  }
  for (const char* line : {"report", "re doc", "\xB1\xA8\xB8\xE6 2019", "budget,report 2019",
                           "doc re report", "missing", "re,\xB8\xE6_"}) {
    const uint32_t library = scan.Count(line, ScanFinder::kLibrary);
    EXPECT_EQ(scan.Count(line, ScanFinder::kSimd), library) << line;
    EXPECT_GT(library + (std::string(line) == "missing" ? 1 : 0), 0u) << line;
  }
}

}  // namespace
}  // namespace bench
}  // namespace sorvik
