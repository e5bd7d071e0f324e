// A FakeClock that also counts how often it is read, so a test can wait
// until a polling loop has run a given number of passes. When each pass of
// such a loop reads the clock once, a third read after a change proves that
// a whole pass has read the changed time and acted on it. Thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "tests/support/fake_clock.h"

namespace quorvel::windows::test {

class CountingClock final : public Clock {
 public:
  explicit CountingClock(int64_t start = 1'000'000'000'000) : clock_(start) {}

  int64_t now() override;
  void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  int64_t deadline) override {
    clock_.wait_until(cv, lock, deadline);
  }

  void advance(int64_t ns) { clock_.advance(ns); }
  // The time without counting a read.
  int64_t peek() { return clock_.now(); }
  int64_t reads();
  // True once the clock has been read at least `count` times in all
  // (bounded real wait).
  bool wait_for_reads(int64_t count, int timeout_ms = 5000);

 private:
  FakeClock clock_;
  std::mutex mutex_;
  std::condition_variable reads_cv_;
  int64_t reads_ = 0;
};

}  // namespace quorvel::windows::test
