// sorvik-bench: times index builds and searches; see bench/bench_commands.h.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return sorvik::bench::RunBench(args, stderr);
}
