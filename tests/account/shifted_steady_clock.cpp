#include "tests/account/shifted_steady_clock.h"

namespace halvarin::sdk::test {

ShiftedSteadyClock::ShiftedSteadyClock() : steady_(quorvel::windows::make_steady_clock()) {}

int64_t ShiftedSteadyClock::now() { return steady_->now() + shift_.load(); }

void ShiftedSteadyClock::wait_until(std::condition_variable& cv,
                                    std::unique_lock<std::mutex>& lock, int64_t deadline) {
  // A shift during the wait ends it late at worst; callers wait again.
  steady_->wait_until(cv, lock, deadline - shift_.load());
}

}  // namespace halvarin::sdk::test
