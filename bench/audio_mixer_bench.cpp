// Mixing cost of the audio mixer: one hour of two 48 kHz stereo sources (the
// second 100 ppm slow, so its blocks are stretched) mixed on a simulated
// clock that runs as fast as the mixer can go. Prints the wall time per
// simulated hour and per 10 ms output block.
#include <windows.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/audio_mixer.h"

namespace quorvel::windows {
namespace {

constexpr int64_t kFrequency = 10000000;
constexpr int64_t kStart = 1000000000;
constexpr int64_t kSeconds = 3600;
constexpr uint32_t kBlock = AudioMixer::kBlockFrames;

// Free-running simulated time: every wait of the mixer thread moves the clock
// on by the wait's length (up to the end), then lets the sources deliver.
class RunningClock final : public AudioMixerClock {
 public:
  RunningClock(int64_t start, int64_t end) : now_(start), end_(end) {}
  int64_t frequency() override { return kFrequency; }
  int64_t now() override { return now_; }
  void wait_for(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                std::chrono::milliseconds timeout) override {
    if (now_ >= end_) {
      wake.wait(lock);  // the stop request wakes it
      return;
    }
    now_ = std::min(end_, now_ + timeout.count() * kFrequency / 1000);
    const int64_t now = now_;
    lock.unlock();
    if (on_advance) on_advance(now);
    if (now >= end_) {
      std::lock_guard guard(done_mutex_);
      done_ = true;
      done_changed_.notify_all();
    }
    lock.lock();
  }
  void wait_until_done() {
    std::unique_lock lock(done_mutex_);
    done_changed_.wait(lock, [&] { return done_; });
  }
  std::function<void(int64_t)> on_advance;

 private:
  int64_t now_;  // touched only by the mixer thread, under the mixer's lock
  const int64_t end_;
  std::mutex done_mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
};

struct Device {
  uint32_t source;
  double rate;
  const std::vector<float>* signal;  // one second, looped
  int64_t next_block = 0;
  uint64_t failed_pushes = 0;

  int64_t frame_time(int64_t frame) const {
    return kStart + std::llround(static_cast<double>(frame) / rate * kFrequency);
  }
  void deliver_until(AudioMixer& mixer, int64_t now) {
    while (frame_time((next_block + 1) * kBlock) <= now) {
      const int64_t first = next_block * kBlock;
      const size_t offset = static_cast<size_t>(first % 48000) * 2;
      if (FAILED(mixer.push(source, signal->data() + offset, kBlock, frame_time(first), false,
                            false))) {
        ++failed_pushes;
      }
      ++next_block;
    }
  }
};

std::vector<float> tone(double hertz, double amplitude) {
  std::vector<float> samples(48000 * 2);
  for (size_t i = 0; i < 48000; ++i) {
    const float value = static_cast<float>(amplitude * std::sin(2.0 * 3.14159265358979 * hertz *
                                                                static_cast<double>(i) / 48000.0));
    samples[2 * i] = value;
    samples[2 * i + 1] = value;
  }
  return samples;
}

int run() {
  const int64_t end = kStart + kSeconds * kFrequency;
  auto clock = std::make_shared<RunningClock>(kStart, end);
  auto mixer = AudioMixer::create(clock);
  const std::vector<float> low = tone(440.0, 0.5);
  const std::vector<float> high = tone(1000.0, 0.5);
  Device system{0, 48000.0, &low};
  Device microphone{1, 48000.0 * (1.0 - 100e-6), &high};
  clock->on_advance = [&](int64_t now) {
    system.deliver_until(*mixer, now);
    microphone.deliver_until(*mixer, now);
  };

  uint64_t blocks = 0;
  double checksum = 0.0;
  const auto sink = [&](const float* data, uint32_t frames, int64_t, bool, bool) -> HRESULT {
    ++blocks;
    if (data) checksum += data[(frames - 1) * 2];
    return S_OK;
  };
  const auto separate = [](const float*, uint32_t, int64_t, bool, bool) -> HRESULT { return S_OK; };

  const auto began = std::chrono::steady_clock::now();
  if (!mixer->start(kStart, true, true, sink, separate, separate)) {
    std::fprintf(stderr, "the mixer did not start\n");
    return 1;
  }
  clock->wait_until_done();
  mixer->stop(end);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

  const AudioMixerStats stats = mixer->stats();
  std::printf("audio_mixer_hour_wall_time %.3f s\n", seconds);
  std::printf("audio_mixer_block_wall_time %.3f us\n",
              blocks ? seconds * 1e6 / static_cast<double>(blocks) : 0.0);
  std::printf("audio_mixer_realtime_factor %.0f x\n", static_cast<double>(kSeconds) / seconds);
  std::printf("audio_mixer_blocks %llu blocks\n", static_cast<unsigned long long>(blocks));
  std::printf("audio_mixer_missing_frames %llu frames\n",
              static_cast<unsigned long long>(stats.missing_frames[0] + stats.missing_frames[1]));
  std::printf("audio_mixer_checksum %.3f sum\n", checksum);
  const uint64_t failed_pushes = system.failed_pushes + microphone.failed_pushes;
  std::printf("audio_mixer_failed_pushes %llu pushes\n", static_cast<unsigned long long>(failed_pushes));
  return stats.delivered_frames == static_cast<uint64_t>(kSeconds) * 48000 && failed_pushes == 0 ? 0 : 1;
}

}  // namespace
}  // namespace quorvel::windows

int main() { return quorvel::windows::run(); }
