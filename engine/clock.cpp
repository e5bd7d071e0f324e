#include "engine/clock.h"

#include <algorithm>
#include <chrono>

namespace quorvel::windows {
namespace {

constexpr int64_t kNsPerMs = 1'000'000;
// Longer waits are split; the caller re-checks and waits again.
constexpr int64_t kLongestWaitMs = int64_t{24} * 3600 * 1000;

class SteadyClock final : public Clock {
 public:
  int64_t now() override {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                  int64_t deadline) override {
    const int64_t remaining = deadline - now();
    if (remaining <= 0) return;
    const int64_t ms = std::min<int64_t>((remaining + kNsPerMs - 1) / kNsPerMs, kLongestWaitMs);
    cv.wait_for(lock, std::chrono::milliseconds(ms));
  }
};

}  // namespace

std::shared_ptr<Clock> make_steady_clock() { return std::make_shared<SteadyClock>(); }

}  // namespace quorvel::windows
