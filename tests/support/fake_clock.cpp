#include "tests/support/fake_clock.h"

#include <chrono>

namespace quorvel::windows::test {

void FakeClock::wait_until(std::condition_variable& cv,
                          std::unique_lock<std::mutex>& lock, int64_t deadline) {
  {
    std::lock_guard guard(mutex_);
    deadlines_.insert(deadline);
    waiters_cv_.notify_all();
  }
  if (now_.load() >= deadline) return;
  cv.wait_for(lock, std::chrono::milliseconds(1));
}

bool FakeClock::wait_for_waiter(int64_t deadline, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return waiters_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                              [&] { return deadlines_.count(deadline) != 0; });
}

}  // namespace quorvel::windows::test
