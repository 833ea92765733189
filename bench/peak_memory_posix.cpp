#include <sys/resource.h>

#include "bench/bench_clock.h"

namespace sorvik {
namespace bench {

uint64_t PeakMemoryBytes() {
  struct rusage usage;
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux reports kilobytes
}

}  // namespace bench
}  // namespace sorvik
