#include "bench/bench_clock.h"

#include <algorithm>

namespace sorvik {
namespace bench {

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t mid = samples.size() / 2;
  return samples.size() % 2 == 1 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

}  // namespace bench
}  // namespace sorvik
