#include "tests/fakes/engine/fake_audio_clock.h"

#include <algorithm>

namespace quorvel::windows {

FakeAudioClock::FakeAudioClock(int64_t frequency, int64_t now)
    : frequency_(frequency), now_(now), limit_(now) {}

int64_t FakeAudioClock::now() {
  std::lock_guard lock(mutex_);
  return now_;
}

uint64_t FakeAudioClock::waits() const {
  std::lock_guard lock(mutex_);
  return waits_;
}

void FakeAudioClock::set_on_advance(std::function<void(int64_t)> hook) {
  std::lock_guard lock(mutex_);
  on_advance_ = std::move(hook);
}

void FakeAudioClock::wait_for(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                              std::chrono::milliseconds timeout) {
  std::function<void(int64_t)> hook;
  bool advanced = false;
  int64_t advanced_to = 0;
  {
    std::lock_guard guard(mutex_);
    ++waits_;
    mixer_mutex_ = lock.mutex();
    mixer_wake_ = &wake;
    if (now_ < limit_) {
      const int64_t step = std::max<int64_t>(1, timeout.count() * frequency_ / 1000);
      now_ = std::min(now_ + step, limit_);
      advanced_to = now_;
      advanced = true;
      hook = on_advance_;
      idle_ = false;
    } else {
      idle_ = true;
      idle_changed_.notify_all();
    }
  }
  if (advanced) {
    // Free running: the time moved without waiting, as if the wait had passed.
    if (hook) {
      lock.unlock();
      hook(advanced_to);
      lock.lock();
    }
    return;
  }
  // At the limit: block until the test moves time on, or a push or stop
  // notifies the mixer. The mixer's mutex is held from the check above until
  // wait() releases it, and run_until notifies under that mutex, so no wake-up
  // is lost.
  wake.wait(lock);
  std::lock_guard guard(mutex_);
  idle_ = false;
}

bool FakeAudioClock::run_until(int64_t limit, std::chrono::milliseconds timeout) {
  std::mutex* mixer_mutex = nullptr;
  std::condition_variable* mixer_wake = nullptr;
  {
    std::lock_guard guard(mutex_);
    limit_ = std::max(limit_, limit);
    idle_ = false;
    mixer_mutex = mixer_mutex_;
    mixer_wake = mixer_wake_;
  }
  if (mixer_mutex && mixer_wake) {
    std::lock_guard mixer_lock(*mixer_mutex);
    mixer_wake->notify_all();
  }
  std::unique_lock guard(mutex_);
  return idle_changed_.wait_for(guard, timeout, [&] { return idle_ && now_ >= limit_; });
}

}  // namespace quorvel::windows
