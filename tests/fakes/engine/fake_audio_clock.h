// A simulated clock for the audio mixer. Time moves only as far as the test
// allows: while it is below the allowed limit, every wait of the mixer thread
// advances it by the wait's length at once (free running, faster than real
// time); at the limit the mixer thread blocks until the test raises the limit,
// a push or a stop wakes it. run_until returns once the mixer thread has
// caught up with the new limit, so the test sees a settled mixer.
//
// An optional hook runs on the mixer thread after each advance, without the
// mixer's lock; long-running tests use it to push blocks in step with time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/audio_mixer_clock.h"

namespace quorvel::windows {

class FakeAudioClock final : public AudioMixerClock {
 public:
  FakeAudioClock(int64_t frequency, int64_t now);

  int64_t frequency() override { return frequency_; }
  int64_t now() override;
  void wait_for(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                std::chrono::milliseconds timeout) override;

  // Lets time run up to `limit` and waits until the mixer thread blocks there.
  // False when that does not happen within `timeout` of real time.
  bool run_until(int64_t limit,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(60000));
  // Called on the mixer thread with the new time after every advance.
  void set_on_advance(std::function<void(int64_t now)> hook);
  uint64_t waits() const;

 private:
  const int64_t frequency_;
  mutable std::mutex mutex_;
  std::condition_variable idle_changed_;
  int64_t now_;
  int64_t limit_;
  bool idle_ = false;
  uint64_t waits_ = 0;
  std::mutex* mixer_mutex_ = nullptr;
  std::condition_variable* mixer_wake_ = nullptr;
  std::function<void(int64_t)> on_advance_;
};

}  // namespace quorvel::windows
