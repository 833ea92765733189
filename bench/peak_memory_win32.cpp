// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include "bench/bench_clock.h"

namespace sorvik {
namespace bench {

uint64_t PeakMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters;
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace bench
}  // namespace sorvik
