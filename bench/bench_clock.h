// Wall-clock timing and the statistics the benchmark reports.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace sorvik {
namespace bench {

// Microseconds since an arbitrary start, from a monotonic clock.
inline double NowUs() {
  using namespace std::chrono;
  return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// The median of `samples` (the mean of the two middle ones for an even count); 0 when empty.
double Median(std::vector<double> samples);

// Peak resident memory of this process so far, in bytes; 0 when the system does not say.
uint64_t PeakMemoryBytes();

}  // namespace bench
}  // namespace sorvik
