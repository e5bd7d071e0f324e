// The high-resolution clock and the percentiles app_bench reports.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quorvel::bench {

// Microseconds on the performance counter.
inline double now_us() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// The value at `fraction` (0.5 the median, 0.9 the 90th percentile) of the
// sorted samples, nearest rank; 0 for no samples.
inline double percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  const auto index =
      static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[std::min(index, samples.size() - 1)];
}

}  // namespace quorvel::bench
