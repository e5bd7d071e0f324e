// A Clock that moves only when the test advances it. A wait returns at once
// when its deadline has come and otherwise after at most a millisecond of real
// time, so the waiting thread re-checks its state; tests can wait until some
// thread waits for a given deadline.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

#include "engine/clock.h"

namespace quorvel::windows::test {

class FakeClock final : public Clock {
 public:
  explicit FakeClock(int64_t start = 1'000'000'000'000) : now_(start) {}

  int64_t now() override { return now_.load(); }
  void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  int64_t deadline) override;

  void advance(int64_t ns) { now_ += ns; }
  // True once some waiter has waited for exactly `deadline` (bounded real wait).
  bool wait_for_waiter(int64_t deadline, int timeout_ms = 5000);

 private:
  std::atomic<int64_t> now_;
  std::mutex mutex_;
  std::condition_variable waiters_cv_;
  std::set<int64_t> deadlines_;
};

}  // namespace quorvel::windows::test
