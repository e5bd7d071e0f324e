// One simulated hour of two sources whose clocks differ by 100 ppm, on the
// simulated mixer clock: the mix must stay on the QPC timeline and carry
// every marker of both sources exactly once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/audio_mixer.h"
#include "tests/fakes/engine/fake_audio_clock.h"

namespace quorvel::windows {
namespace {

constexpr int64_t kFrequency = 10000000;  // the usual QPC rate
constexpr int64_t kStart = 5000000000;
constexpr int64_t kSeconds = 3600;
constexpr uint32_t kBlock = AudioMixer::kBlockFrames;
constexpr float kMarker = 0.8f;

// A capture device that delivers 480-frame blocks at its own sample rate and
// stamps each with the QPC time of its first frame. Its signal is silence
// with one marker frame at each whole second (plus `phase`) of QPC time.
struct SimulatedDevice {
  uint32_t source = 0;
  double rate = 48000.0;  // device frames per QPC second
  double phase = 0.0;     // seconds
  float marker = kMarker;
  int64_t next_block = 0;

  int64_t frame_time(int64_t frame) const {
    return kStart + std::llround(static_cast<double>(frame) / rate * kFrequency);
  }
  // Pushes every block whose last frame has been captured by `now`.
  void deliver_until(AudioMixer& mixer, int64_t now, std::vector<float>& buffer) {
    while (frame_time((next_block + 1) * kBlock) <= now) {
      const int64_t first = next_block * kBlock;
      std::fill(buffer.begin(), buffer.end(), 0.0f);
      // Marker k sits at QPC second k + phase, the device frame nearest to it.
      const double first_second = static_cast<double>(first) / rate - phase;
      const int64_t k = static_cast<int64_t>(std::ceil(first_second - 1e-9));
      for (int64_t m = std::max<int64_t>(k - 1, 1); m <= k + 1; ++m) {
        const int64_t frame = std::llround((static_cast<double>(m) + phase) * rate);
        if (frame >= first && frame < first + kBlock) {
          buffer[2 * (frame - first)] = marker;
          buffer[2 * (frame - first) + 1] = marker;
        }
      }
      const HRESULT result =
          mixer.push(source, buffer.data(), kBlock, frame_time(first), false, false);
      if (result != S_OK) ++refused;
      ++next_block;
    }
  }
  uint64_t refused = 0;
};

// Finds markers in the mixed stream: runs of non-zero frames, each reported
// at its loudest frame, told apart by sign.
class MarkerFinder {
 public:
  void add(const float* data, uint32_t frames, int64_t position) {
    for (uint32_t i = 0; i < frames; ++i) {
      const float value = data ? data[2 * i] : 0.0f;
      const int64_t at = position + i;
      if (value != 0.0f) {
        if (!in_run_) {
          in_run_ = true;
          peak_ = value;
          peak_at_ = at;
        } else if (std::fabs(value) > std::fabs(peak_)) {
          peak_ = value;
          peak_at_ = at;
        }
      } else if (in_run_) {
        in_run_ = false;
        (peak_ > 0 ? positive_ : negative_).push_back(peak_at_);
      }
    }
  }
  const std::vector<int64_t>& positive() const { return positive_; }
  const std::vector<int64_t>& negative() const { return negative_; }

 private:
  bool in_run_ = false;
  float peak_ = 0.0f;
  int64_t peak_at_ = 0;
  std::vector<int64_t> positive_;
  std::vector<int64_t> negative_;
};

TEST(AudioMixerLongRunTest, OneHourOfSourcesHundredPpmApartStaysOnTheTimeline) {
  auto clock = std::make_shared<FakeAudioClock>(kFrequency, kStart);
  auto mixer = AudioMixer::create(clock);

  SimulatedDevice system{0, 48000.0, 0.0, kMarker};
  SimulatedDevice microphone{1, 48000.0 * (1.0 - 100e-6), 0.5, -kMarker};
  std::vector<float> buffer(kBlock * 2);
  clock->set_on_advance([&](int64_t now) {
    system.deliver_until(*mixer, now, buffer);
    microphone.deliver_until(*mixer, now, buffer);
  });

  std::mutex mutex;
  MarkerFinder finder;
  int64_t expected_time = kStart;
  int64_t position = 0;
  uint64_t misplaced_blocks = 0;
  const auto mixed = [&](const float* data, uint32_t frames, int64_t time, bool silent,
                         bool) -> HRESULT {
    std::lock_guard lock(mutex);
    if (time != expected_time || silent != (data == nullptr)) ++misplaced_blocks;
    finder.add(data, frames, position);
    position += frames;
    expected_time = kStart + std::llround(static_cast<double>(kFrequency) * position / 48000.0);
    return S_OK;
  };
  ASSERT_TRUE(mixer->start(kStart, true, true, mixed, {}, {}));

  const int64_t end = kStart + kSeconds * kFrequency;
  // Run until the mixer, 50 ms behind the clock, has reached the end; both
  // devices have delivered their blocks up to then.
  ASSERT_TRUE(clock->run_until(end + kFrequency * AudioMixer::kLatencyFrames / 48000,
                               std::chrono::minutes(10)));
  mixer->stop(end);

  const AudioMixerStats stats = mixer->stats();
  const uint64_t hour_frames = static_cast<uint64_t>(kSeconds) * 48000;
  EXPECT_EQ(hour_frames, stats.delivered_frames);
  EXPECT_EQ(static_cast<int64_t>(hour_frames), position);
  EXPECT_EQ(0u, misplaced_blocks);
  EXPECT_EQ(0u, stats.dropped_frames);
  EXPECT_EQ(0u, stats.late_frames);
  EXPECT_EQ(0u, stats.clock_resyncs);
  EXPECT_EQ(0u, stats.missing_frames[0]);
  EXPECT_EQ(0u, stats.missing_frames[1]);
  EXPECT_EQ(0u, system.refused + microphone.refused);
  EXPECT_NEAR(100.0, stats.rate_ppm[1], 15.0);
  EXPECT_NEAR(0.0, stats.rate_ppm[0], 15.0);

  // Every marker exactly once (none dropped or doubled), each within one
  // block of where the QPC timeline puts it.
  struct Expectation {
    const char* name;
    const std::vector<int64_t>* found;
    double phase;
    int64_t count;
  };
  const Expectation expectations[] = {
      {"system", &finder.positive(), 0.0, kSeconds - 1},       // seconds 1 .. 3599
      {"microphone", &finder.negative(), 0.5, kSeconds - 1},  // 1.5 .. 3599.5
  };
  for (const Expectation& e : expectations) {
    SCOPED_TRACE(e.name);
    ASSERT_EQ(static_cast<size_t>(e.count), e.found->size());
    int64_t worst = 0;
    for (int64_t k = 0; k < e.count; ++k) {
      const int64_t expected = std::llround((static_cast<double>(k + 1) + e.phase) * 48000.0);
      const int64_t offset = (*e.found)[static_cast<size_t>(k)] - expected;
      worst = std::max(worst, std::abs(offset));
      ASSERT_LE(std::abs(offset), static_cast<int64_t>(kBlock)) << "marker " << k + 1;
    }
    std::printf("%s markers: worst offset %lld frames\n", e.name, static_cast<long long>(worst));
  }
}

}  // namespace
}  // namespace quorvel::windows
