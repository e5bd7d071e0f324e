// A steady clock that runs with real time and that a test can also move
// forward at once: waits of the code under test (retry delays, the browser
// wait) pass in real time, while a rule that spans seconds or minutes (the
// spacing of repeated starts) is crossed with one call. Thread-safe.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/clock.h"

namespace halvarin::sdk::test {

class ShiftedSteadyClock final : public quorvel::windows::Clock {
 public:
  ShiftedSteadyClock();

  int64_t now() override;
  void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  int64_t deadline) override;

  void advance(int64_t ns) { shift_ += ns; }

 private:
  std::shared_ptr<quorvel::windows::Clock> steady_;
  std::atomic<int64_t> shift_{0};
};

}  // namespace halvarin::sdk::test
