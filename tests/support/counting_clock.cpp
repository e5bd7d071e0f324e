#include "tests/support/counting_clock.h"

#include <chrono>

namespace quorvel::windows::test {

int64_t CountingClock::now() {
  const int64_t time = clock_.now();
  {
    std::lock_guard lock(mutex_);
    ++reads_;
  }
  reads_cv_.notify_all();
  return time;
}

int64_t CountingClock::reads() {
  std::lock_guard lock(mutex_);
  return reads_;
}

bool CountingClock::wait_for_reads(int64_t count, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return reads_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                            [&] { return reads_ >= count; });
}

}  // namespace quorvel::windows::test
