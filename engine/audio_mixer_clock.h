// The time source of the audio mixer's thread: QPC reads and the waits
// between checks. The product uses the performance counter; tests pass a
// simulated clock so that time rules run deterministically and faster than
// real time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace quorvel::windows {

class AudioMixerClock {
 public:
  virtual ~AudioMixerClock() = default;
  // Counts per second of now(); not positive when no counter is available.
  virtual int64_t frequency() = 0;
  // The current performance count.
  virtual int64_t now() = 0;
  // Waits for a notification of `wake` or for `timeout` to pass, whichever
  // comes first. `lock` holds the mixer's mutex; it is released while waiting
  // and held again on return, as with std::condition_variable::wait_for. May
  // return early; the caller re-checks its state.
  virtual void wait_for(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                        std::chrono::milliseconds timeout) = 0;
};

// QueryPerformanceCounter and a real condition-variable wait.
std::shared_ptr<AudioMixerClock> make_performance_counter_clock();

}  // namespace quorvel::windows
