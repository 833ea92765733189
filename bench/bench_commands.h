// The commands of sorvik-bench. Each prints tab-separated result lines that bench/run reads:
//   sorvik-bench build  --work DIR --drive L:=PATH... [--chunk-names N] [--out FILE]
//       builds the index in-process (BuildIndex), then swaps it into DIR\NIndex;
//       prints "build<TAB>WALL_MS<TAB>PEAK_BYTES<TAB>ENTRIES".
//   sorvik-bench walk   --work DIR --drive L:=PATH... [--root ROOT...] [--walk-threads N]
//                       [--out FILE]
//       walks the drives (and each ROOT as given, e.g. "Z:\tmp\tree" under Wine) into a
//       scratch snapshot in DIR, as a build's first step does, and deletes it; N threads list
//       folders ahead of the walk (0: none; default as a build has them);
//       prints "walk<TAB>WALL_MS<TAB>PEAK_BYTES<TAB>ENTRIES".
//   sorvik-bench search --work DIR --queries FILE [--runs R] [--out FILE]
//       loads DIR\NIndex once and times IndexManager::Search (page 1 of 800, with its 100
//       details) for every query; prints per query
//       "search<TAB>CLASS<TAB>VARIANT<TAB>MEDIAN_US<TAB>MIN_US<TAB>MAX_US<TAB>TOTAL<TAB>KEYWORDS".
//   sorvik-bench sort   --work DIR [--runs R] [--out FILE]
//       loads DIR\NIndex once and times the search of every entry sorted as a whole by each
//       key in both directions, page 1 and page 500 of 800; prints per case
//       "sort<TAB>KEY<TAB>up|down<TAB>PAGE<TAB>MEDIAN_US<TAB>TOTAL".
//   sorvik-bench floor  --work DIR --queries FILE [--runs R] [--out FILE]
//       loads every name of DIR\NIndex into one buffer and times the brute-force count of the
//       plain queries, once with the vector scan and once with the C library's search; prints
//       "floor-load<TAB>MS<TAB>NAMES<TAB>avx2|sse2" and per query a line like search's for each:
//       "floor<TAB>..." (the vector scan) and "memmem<TAB>...".
//   sorvik-bench names  --work DIR [--chunk-names N] [--out FILE]
//       builds the name index of DIR\NIndex's records again into DIR\BenchNames and prints
//       "names<TAB>WALL_MS<TAB>PEAK_BYTES<TAB>ENTRIES" (the name-index part of a build alone),
//       then builds it again with the initials index beside it and prints the same line
//       starting with "names+initials" (the two leave the files of the second build).
// Results go to FILE when given (appended), else to standard output.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sorvik {
namespace bench {

// Runs one command; returns the exit status (0 success, 2 usage error, 1 failure).
int RunBench(const std::vector<std::string>& args, FILE* err);

}  // namespace bench
}  // namespace sorvik
