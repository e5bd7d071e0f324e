#include "engine/audio_mixer_clock.h"

#include <windows.h>

namespace quorvel::windows {
namespace {

class PerformanceCounterClock final : public AudioMixerClock {
 public:
  int64_t frequency() override {
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }
  int64_t now() override {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
  }
  void wait_for(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                std::chrono::milliseconds timeout) override {
    wake.wait_for(lock, timeout);
  }
};

}  // namespace

std::shared_ptr<AudioMixerClock> make_performance_counter_clock() {
  return std::make_shared<PerformanceCounterClock>();
}

}  // namespace quorvel::windows
