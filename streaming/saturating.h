// Signed 64-bit addition and subtraction that stop at the type's limits
// instead of overflowing: deadlines and media times come from clocks and
// packets whose values the streamer does not control.
#pragma once

#include <cstdint>
#include <limits>

namespace quorvel::windows {

inline int64_t saturating_add(int64_t a, int64_t b) {
  if (b > 0 && a > std::numeric_limits<int64_t>::max() - b) {
    return std::numeric_limits<int64_t>::max();
  }
  if (b < 0 && a < std::numeric_limits<int64_t>::min() - b) {
    return std::numeric_limits<int64_t>::min();
  }
  return a + b;
}

inline int64_t saturating_sub(int64_t a, int64_t b) {
  if (b < 0 && a > std::numeric_limits<int64_t>::max() + b) {
    return std::numeric_limits<int64_t>::max();
  }
  if (b > 0 && a < std::numeric_limits<int64_t>::min() + b) {
    return std::numeric_limits<int64_t>::min();
  }
  return a - b;
}

}  // namespace quorvel::windows
