// Clock is the one time source of every engine and streaming part that waits
// or measures time: steady nanoseconds and a wait on a condition variable up
// to a deadline. The product passes the steady clock; tests pass one that
// moves only when they say, so time rules run in milliseconds.
// Thread-safe: any thread may call either operation.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace quorvel::windows {

class Clock {
 public:
  virtual ~Clock() = default;
  // Steady time in nanoseconds from an arbitrary origin.
  virtual int64_t now() = 0;
  // Waits on `cv` (with `lock` held by the caller) until notified, woken
  // spuriously or `deadline` has come. Callers re-check their condition.
  virtual void wait_until(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                          int64_t deadline) = 0;
};

// std::chrono::steady_clock; each wait rounds the remaining time up to whole
// milliseconds, so a wait never ends just short of its deadline.
std::shared_ptr<Clock> make_steady_clock();

}  // namespace quorvel::windows
