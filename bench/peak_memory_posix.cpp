#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_clock.h"

namespace sorvik {
namespace bench {

// VmHWM of /proc/self/status, the high-water mark of this program's own memory. getrusage's
// ru_maxrss is no substitute where it can be read: Linux keeps it across exec, so a tool
// started by a large parent (bench/run's Python) reports at least the parent's resident size.
uint64_t PeakMemoryBytes() {
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    uint64_t kib = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtoull(line + 6, nullptr, 10);
    }
    std::fclose(status);
    if (kib != 0) return kib * 1024;
  }
  struct rusage usage;
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux reports kilobytes
}

}  // namespace bench
}  // namespace sorvik
