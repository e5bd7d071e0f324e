#include "engine/audio_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <condition_variable>
#include <future>
#include <system_error>
#include <thread>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include "tests/fakes/engine/fake_audio_clock.h"

namespace quorvel::windows {
namespace {

// With a clock of 48000 counts per second one count is one frame, so times
// and positions translate without rounding.
constexpr int64_t kFrequency = 48000;
constexpr int64_t kStart = 1000000;
constexpr uint32_t kBlock = AudioMixer::kBlockFrames;
constexpr int64_t kLatency = AudioMixer::kLatencyFrames;

// Collects the blocks one output callback receives.
class BlockRecorder {
 public:
  struct Block {
    int64_t time = 0;
    uint32_t frames = 0;
    bool silent = false;
    bool data_null = false;
    bool discontinuity = false;
  };

  AudioBlockCallback callback() {
    return [this](const float* data, uint32_t frames, int64_t time, bool silent,
                  bool discontinuity) -> HRESULT {
      std::lock_guard lock(mutex_);
      blocks_.push_back(Block{time, frames, silent, data == nullptr, discontinuity});
      for (uint32_t i = 0; i < frames * 2; ++i) samples_.push_back(data ? data[i] : 0.0f);
      ++calls_;
      called_.notify_all();
      return calls_ == fail_at_call_ ? fail_result_ : result_;
    };
  }
  bool wait_for_calls(size_t count) {
    std::unique_lock lock(mutex_);
    return called_.wait_for(lock, std::chrono::seconds(30), [&] { return calls_ >= count; });
  }
  void set_result(HRESULT result) {
    std::lock_guard lock(mutex_);
    result_ = result;
  }
  void fail_at_call(size_t call, HRESULT result) {
    std::lock_guard lock(mutex_);
    fail_at_call_ = call;
    fail_result_ = result;
  }
  std::vector<Block> blocks() const {
    std::lock_guard lock(mutex_);
    return blocks_;
  }
  // Left channel of frame `frame` counted from the first delivered block.
  float left(size_t frame) const {
    std::lock_guard lock(mutex_);
    return samples_.at(frame * 2);
  }
  float right(size_t frame) const {
    std::lock_guard lock(mutex_);
    return samples_.at(frame * 2 + 1);
  }
  size_t frames() const {
    std::lock_guard lock(mutex_);
    return samples_.size() / 2;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable called_;
  std::vector<Block> blocks_;
  std::vector<float> samples_;
  size_t calls_ = 0;
  HRESULT result_ = S_OK;
  size_t fail_at_call_ = 0;
  HRESULT fail_result_ = S_OK;
};

std::vector<float> constant_block(float left, float right, uint32_t frames = kBlock) {
  std::vector<float> samples(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    samples[2 * i] = left;
    samples[2 * i + 1] = right;
  }
  return samples;
}

// A deterministic, non-repeating test signal in [-0.9, 0.9].
float signal_at(int64_t frame, int channel) {
  return static_cast<float>(0.9 * std::sin(0.013 * static_cast<double>(frame) + channel * 1.1));
}

std::vector<float> signal_block(int64_t first_frame, uint32_t frames = kBlock) {
  std::vector<float> samples(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    samples[2 * i] = signal_at(first_frame + i, 0);
    samples[2 * i + 1] = signal_at(first_frame + i, 1);
  }
  return samples;
}

// Stops a mixer whose output records into a local of the test before that
// local goes away, however the test ends.
struct StopOnExit {
  AudioMixer* mixer;
  ~StopOnExit() { mixer->stop(0); }
};

// The fade-in weight of frame k after sound starts from silence.
float fade_in(uint32_t k) { return k < 64 ? static_cast<float>(k + 1) / 64.0f : 1.0f; }

class AudioMixerTest : public testing::Test {
 protected:
  bool start(bool system, bool microphone, AudioBlockCallback system_output = {},
             AudioBlockCallback microphone_output = {}) {
    return mixer_->start(kStart, system, microphone, mixed_.callback(), std::move(system_output),
                         std::move(microphone_output));
  }
  // Lets the clock run until every frame before `position` has been mixed.
  void mix_until(int64_t position) {
    ASSERT_TRUE(clock_->run_until(kStart + position + kLatency));
  }
  HRESULT push(uint32_t source, const std::vector<float>& samples, int64_t position,
               bool discontinuity = false) {
    return mixer_->push(source, samples.data(), static_cast<uint32_t>(samples.size() / 2),
                        kStart + position, false, discontinuity);
  }

  // The recorder is declared first so that it outlives the mixer, whose
  // destructor may still deliver a last block into it.
  BlockRecorder mixed_;
  std::shared_ptr<FakeAudioClock> clock_ = std::make_shared<FakeAudioClock>(kFrequency, kStart);
  std::unique_ptr<AudioMixer> mixer_ = AudioMixer::create(clock_);
};

TEST_F(AudioMixerTest, RefusesToStartWithoutSourcesOutputOrStartTime) {
  struct Case {
    const char* name;
    int64_t start_time;
    bool system;
    bool microphone;
    bool with_output;
  };
  const Case cases[] = {
      {"no source", kStart, false, false, true},
      {"no mixed output", kStart, true, false, false},
      {"zero start time", 0, true, true, true},
      {"negative start time", -5, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(mixer_->start(c.start_time, c.system, c.microphone,
                               c.with_output ? mixed_.callback() : AudioBlockCallback{}, {}, {}));
    EXPECT_EQ(S_FALSE, push(0, constant_block(0.1f, 0.1f), 0));
  }
  ASSERT_TRUE(start(true, false));
  EXPECT_FALSE(start(true, false)) << "a running mixer cannot be started again";
  mixer_->stop(kStart + 480);
  EXPECT_TRUE(start(true, false)) << "a stopped mixer can be started again";
  mixer_->stop(kStart + 480);
}

TEST_F(AudioMixerTest, RejectsEmptyOrMissingBlocksAndUnwantedSources) {
  ASSERT_TRUE(start(true, false));
  const std::vector<float> samples = constant_block(0.2f, 0.2f);
  EXPECT_EQ(E_INVALIDARG, mixer_->push(0, samples.data(), 0, kStart, false, false));
  EXPECT_EQ(E_INVALIDARG, mixer_->push(0, nullptr, kBlock, kStart, false, false));
  EXPECT_EQ(S_OK, mixer_->push(0, nullptr, kBlock, kStart, true, false)) << "silent may be null";
  EXPECT_EQ(S_FALSE, push(1, samples, 0)) << "the microphone was not requested";
  EXPECT_EQ(S_FALSE, push(7, samples, 0)) << "any source but 0 is the microphone";
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(1u, stats.pushed_chunks[0]);
  EXPECT_EQ(0u, stats.pushed_chunks[1]);
  mixer_->stop(kStart + kBlock);
}

TEST_F(AudioMixerTest, SingleSourceAtUnityGainPassesUnchangedAfterFadeIn) {
  BlockRecorder system;
  ASSERT_TRUE(start(true, false, system.callback()));
  for (int64_t position = 0; position < 4 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, signal_block(position), position));
  }
  mix_until(4 * kBlock);

  const auto blocks = mixed_.blocks();
  ASSERT_EQ(4u, blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(kStart + static_cast<int64_t>(i * kBlock), blocks[i].time);
    EXPECT_EQ(kBlock, blocks[i].frames);
    EXPECT_FALSE(blocks[i].silent);
    EXPECT_FALSE(blocks[i].discontinuity);
  }
  for (uint32_t k = 0; k < 4 * kBlock; ++k) {
    const float left = signal_at(k, 0);
    const float right = signal_at(k, 1);
    if (k < 64) {
      EXPECT_FLOAT_EQ(fade_in(k) * left, mixed_.left(k)) << "frame " << k;
    } else {
      ASSERT_EQ(left, mixed_.left(k)) << "frame " << k;
      ASSERT_EQ(right, mixed_.right(k)) << "frame " << k;
    }
    ASSERT_EQ(mixed_.left(k), system.left(k)) << "the source's own block at gain 1";
  }
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(4u, stats.delivered_blocks);
  EXPECT_EQ(4u * kBlock, stats.delivered_frames);
  EXPECT_EQ(0u, stats.missing_frames[0]);
  mixer_->stop(kStart + 4 * kBlock);
}

TEST_F(AudioMixerTest, MasterFactorHalvesEachSourceWhenBothAreRequested) {
  struct Case {
    const char* name;
    bool microphone_requested;
    bool microphone_pushes;
    float expected_left;
  };
  const Case cases[] = {
      {"system alone", false, false, 0.6f},
      {"both requested, microphone silent", true, false, 0.3f},
      {"both requested and sounding", true, true, 0.3f + 0.1f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BlockRecorder mixed;
    const int64_t base = clock_->now();
    ASSERT_TRUE(mixer_->start(base, true, c.microphone_requested, mixed.callback(), {}, {}));
    for (int64_t position = 0; position < 2 * kBlock; position += kBlock) {
      ASSERT_EQ(S_OK, mixer_->push(0, constant_block(0.6f, -0.6f).data(), kBlock, base + position,
                                   false, false));
      if (c.microphone_pushes) {
        ASSERT_EQ(S_OK, mixer_->push(1, constant_block(0.2f, 0.2f).data(), kBlock,
                                     base + position, false, false));
      }
    }
    ASSERT_TRUE(clock_->run_until(base + 2 * kBlock + kLatency));
    ASSERT_GE(mixed.frames(), 2u * kBlock);
    for (uint32_t k = 64; k < 2 * kBlock; ++k) {
      ASSERT_FLOAT_EQ(c.expected_left, mixed.left(k)) << "frame " << k;
    }
    mixer_->stop(0);
    if (c.microphone_requested && !c.microphone_pushes) {
      EXPECT_GT(mixer_->stats().missing_before_start[1], 0u);
      EXPECT_EQ(0u, mixer_->stats().missing_frames[1]);
    }
  }
}

TEST_F(AudioMixerTest, GainChangeIsRampedAcrossOneBlock) {
  ASSERT_TRUE(start(true, false));
  for (int64_t position = 0; position < 4 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), position));
  }
  mix_until(2 * kBlock);
  ASSERT_TRUE(mixer_->set_gain(0, 0.0f));
  mix_until(4 * kBlock);

  ASSERT_EQ(4u * kBlock, mixed_.frames());
  EXPECT_FLOAT_EQ(0.5f, mixed_.left(2 * kBlock - 1)) << "before the change";
  for (uint32_t k = 0; k < kBlock; ++k) {
    const float expected = 0.5f * (1.0f - static_cast<float>(k) / (kBlock - 1));
    ASSERT_NEAR(expected, mixed_.left(2 * kBlock + k), 1e-6f) << "ramp frame " << k;
  }
  for (uint32_t k = 3 * kBlock; k < 4 * kBlock; ++k) ASSERT_EQ(0.0f, mixed_.left(k));
  EXPECT_TRUE(mixed_.blocks()[3].silent);
  EXPECT_TRUE(mixed_.blocks()[3].data_null);
  mixer_->stop(kStart + 4 * kBlock);
}

TEST_F(AudioMixerTest, GainSetWhileStoppedAppliesAtOnceAndIsClamped) {
  EXPECT_FALSE(mixer_->set_gain(0, std::numeric_limits<float>::quiet_NaN()));
  EXPECT_FALSE(mixer_->set_gain(0, std::numeric_limits<float>::infinity()));
  ASSERT_TRUE(mixer_->set_gain(0, 5.0f)) << "clamped to 2";
  ASSERT_TRUE(mixer_->set_gain(1, -1.0f)) << "clamped to 0";
  BlockRecorder system;
  BlockRecorder microphone;
  ASSERT_TRUE(start(true, true, system.callback(), microphone.callback()));
  for (int64_t position = 0; position < 2 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.25f, 0.25f), position));
    ASSERT_EQ(S_OK, push(1, constant_block(0.9f, 0.9f), position));
  }
  mix_until(2 * kBlock);
  // Gain 2 with the master factor 0.5, the microphone at gain 0, no ramp.
  for (uint32_t k = 64; k < 2 * kBlock; ++k) ASSERT_FLOAT_EQ(0.25f, mixed_.left(k));
  // Each source's own block is taken before its gain and the master factor.
  for (uint32_t k = 64; k < 2 * kBlock; ++k) {
    ASSERT_EQ(0.25f, system.left(k)) << "frame " << k;
    ASSERT_EQ(0.9f, microphone.left(k)) << "frame " << k;
  }
  mixer_->stop(kStart + 2 * kBlock);
}

TEST_F(AudioMixerTest, BlockTwoHundredFramesLateStaysContiguousAndIsAbsorbedSlowly) {
  BlockRecorder system;
  ASSERT_TRUE(start(true, false, system.callback()));
  ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), 0));
  // From here on every block is stamped 200 frames later than the chain. The
  // test stays within the first rate window (96000 frames), where only the
  // offset term stretches.
  constexpr int64_t kLate = 200;
  constexpr int kBlocks = 199;
  for (int i = 1; i <= kBlocks; ++i) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), i * kBlock + kLate));
    if (i == 1) {
      const AudioMixerStats first = mixer_->stats();
      EXPECT_EQ(kLate, first.last_offset[0]);
      EXPECT_EQ(1u, first.offset_pushes);
    }
    if (i % 50 == 0) mix_until(i * kBlock);
  }
  mix_until(kBlocks * kBlock);
  EXPECT_EQ(0.0, mixer_->stats().rate_ppm[0]) << "no rate measured yet";

  for (size_t k = 64; k < kBlocks * kBlock; ++k) {
    ASSERT_EQ(0.5f, mixed_.left(k)) << "no gap at frame " << k;
  }
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(0u, stats.clock_resyncs);
  EXPECT_EQ(0u, stats.missing_frames[0]);
  EXPECT_EQ(0u, stats.removed_frames[0]);
  const uint64_t absorbed = stats.inserted_frames[0];
  EXPECT_GT(absorbed, 20u);
  EXPECT_EQ(kLate - static_cast<int64_t>(absorbed), stats.last_offset[0])
      << "each inserted frame brings the chain one frame closer to the clock";
  // The offset term never stretches by more than 500 ppm.
  EXPECT_LE(static_cast<double>(absorbed), 500e-6 * kBlocks * kBlock + 1.0);
  mixer_->stop(0);
}

TEST_F(AudioMixerTest, StretchedAndSqueezedBlocksAreInterpolatedLinearly) {
  // A first block of 20001 frames, then a second one 2400 frames off: it is
  // still placed contiguously, and the offset term (0.02 x 2400 frames, that
  // is 200 ppm) makes 20005 or 19997 frames of its 20001.
  struct Case {
    const char* name;
    int64_t offset;
    uint32_t placed_frames;
  };
  const Case cases[] = {
      {"late block is stretched", 2400, 20005},
      {"early block is squeezed", -2400, 19997},
  };
  constexpr uint32_t n = 20001;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BlockRecorder mixed;
    const StopOnExit stop_first{mixer_.get()};
    const int64_t base = clock_->now();
    ASSERT_TRUE(mixer_->start(base, true, false, mixed.callback(), {}, {}));
    const std::vector<float> first = signal_block(0, n);
    const std::vector<float> second = signal_block(n, n);
    ASSERT_EQ(S_OK, mixer_->push(0, first.data(), n, base, false, false));
    ASSERT_EQ(S_OK, mixer_->push(0, second.data(), n, base + n + c.offset, false, false));
    const AudioMixerStats stats = mixer_->stats();
    EXPECT_EQ(0u, stats.clock_resyncs);
    EXPECT_EQ(1u, stats.adjusted_chunks);
    EXPECT_EQ(c.placed_frames, n + stats.inserted_frames[0] - stats.removed_frames[0]);

    const uint32_t out = c.placed_frames;
    const int64_t blocks = (n + out + kBlock - 1) / kBlock;
    ASSERT_TRUE(clock_->run_until(base + blocks * kBlock + kLatency));
    ASSERT_GE(mixed.frames(), static_cast<size_t>(n + out));
    for (uint32_t k = 0; k < out; ++k) {
      const double index = static_cast<double>(k) * (n - 1) / (out - 1);
      const uint32_t lower = static_cast<uint32_t>(index);
      const uint32_t upper = std::min(lower + 1, n - 1);
      const float t = static_cast<float>(index - lower);
      const float got = mixed.left(n + k);
      if (t == 0.0f) {
        // A whole index takes that input frame as it is; the last output
        // frame is the last input frame.
        ASSERT_EQ(second[2 * lower], got) << "frame " << k;
      } else {
        const float a = second[2 * lower];
        const float b = second[2 * upper];
        ASSERT_NEAR(a + (b - a) * t, got, 1e-6f) << "frame " << k;
      }
    }
    EXPECT_EQ(second[2 * (n - 1) + 1], mixed.right(n + out - 1));
    mixer_->stop(0);
  }
}

TEST_F(AudioMixerTest, ShortSilenceFadesOutAndSoundFadesBackInFromWhereItWas) {
  ASSERT_TRUE(start(true, false));
  ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), 0));
  // 20 frames flagged silent, then sound again, all contiguous.
  ASSERT_EQ(S_OK, mixer_->push(0, nullptr, 20, kStart + kBlock, true, false));
  ASSERT_EQ(S_OK, push(0, constant_block(0.25f, 0.25f), kBlock + 20));
  mix_until(3 * kBlock);
  ASSERT_EQ(3u * kBlock, mixed_.frames());

  // The silence fades the last output (0.5) out; 20 frames in, 44/64 of it
  // is left, and the returning sound fades in from that value.
  const float held = 0.5f * 44.0f / 64.0f;
  for (uint32_t k = kBlock; k < 3 * kBlock; ++k) {
    float expected = 0.0f;
    if (k < kBlock + 20) {
      expected = 0.5f * static_cast<float>(63 - (k - kBlock)) / 64.0f;
    } else if (k < kBlock + 20 + 64) {
      const float t = static_cast<float>(k - kBlock - 20 + 1) / 64.0f;
      expected = t * 0.25f + (1.0f - t) * held;
    } else if (k < 2 * kBlock + 20) {
      expected = 0.25f;
    } else if (k < 2 * kBlock + 20 + 64) {
      // The queue runs dry: the last output fades out again.
      expected = 0.25f * static_cast<float>(63 - (k - 2 * kBlock - 20)) / 64.0f;
    }
    ASSERT_NEAR(expected, mixed_.left(k), 1e-7f) << "frame " << k;
  }
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(kBlock - 20u, stats.missing_frames[0]) << "the silent frames are covered";
  EXPECT_EQ(1u, stats.underrun_blocks[0]);
  mixer_->stop(0);
}

TEST_F(AudioMixerTest, BlockThreeThousandFramesLateResyncsWithFadedGap) {
  ASSERT_TRUE(start(true, false));
  ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), 0));
  constexpr int64_t kJump = 3000;
  ASSERT_EQ(S_OK, push(0, constant_block(0.5f, 0.5f), kBlock + kJump));
  mix_until(9 * kBlock);

  ASSERT_EQ(9u * kBlock, mixed_.frames());
  EXPECT_EQ(0.5f, mixed_.left(kBlock - 1));
  for (uint32_t k = 0; k < 64; ++k) {
    const float fading_out = 0.5f * static_cast<float>(63 - k) / 64.0f;
    ASSERT_FLOAT_EQ(fading_out, mixed_.left(kBlock + k)) << "fade-out frame " << k;
  }
  for (int64_t k = kBlock + 64; k < kBlock + kJump; ++k) ASSERT_EQ(0.0f, mixed_.left(k));
  for (uint32_t k = 0; k < 64; ++k) {
    ASSERT_FLOAT_EQ(0.5f * fade_in(k), mixed_.left(kBlock + kJump + k)) << "fade-in frame " << k;
  }
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(1u, stats.clock_resyncs);
  // Everything mixed but the two blocks: the gap and the frames after them.
  EXPECT_EQ(9u * kBlock - 2u * kBlock, stats.missing_frames[0]);
  EXPECT_GE(stats.underrun_blocks[0], static_cast<uint64_t>(kJump / kBlock));
  mixer_->stop(0);
}

TEST_F(AudioMixerTest, DiscontinuousBlocksArePlacedByHowFarTheyAreOff) {
  struct Case {
    const char* name;
    int64_t offset;
    int64_t placed_at;  // relative to the expected position
    uint64_t resyncs;
  };
  const Case cases[] = {
      {"50 late stays contiguous", 50, 0, 0},
      {"50 early stays contiguous", -50, 0, 0},
      {"100 late goes to its own time", 100, 100, 1},
      {"100 early goes to the expected time", -100, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BlockRecorder mixed;
    ASSERT_TRUE(mixer_->start(clock_->now(), true, false, mixed.callback(), {}, {}));
    const int64_t base = clock_->now();
    ASSERT_EQ(S_OK, mixer_->push(0, constant_block(0.5f, 0.5f).data(), kBlock, base, false,
                                 false));
    ASSERT_EQ(S_OK, mixer_->push(0, constant_block(0.75f, 0.75f).data(), kBlock,
                                 base + kBlock + c.offset, false, true));
    ASSERT_TRUE(clock_->run_until(base + 3 * kBlock + kLatency));
    const size_t second = kBlock + static_cast<size_t>(c.placed_at);
    if (c.placed_at == 0) {
      EXPECT_EQ(0.75f, mixed.left(second)) << "follows the first block seamlessly";
    } else {
      EXPECT_EQ(0.0f, mixed.left(second - 1)) << "a faded gap before it";
      EXPECT_FLOAT_EQ(0.75f / 64.0f, mixed.left(second)) << "fades in at its own time";
    }
    EXPECT_EQ(0.75f, mixed.left(second + kBlock - 1));
    const AudioMixerStats stats = mixer_->stats();
    EXPECT_EQ(c.resyncs, stats.clock_resyncs);
    EXPECT_EQ(1u, stats.discontinuities);
    EXPECT_EQ(c.offset, stats.last_offset[0]);
    EXPECT_EQ(0.0, stats.rate_ppm[0]) << "the drift state starts over";
    EXPECT_EQ(0u, stats.adjusted_chunks) << "no stretching right after a discontinuity";
    mixer_->stop(0);
  }
}

TEST_F(AudioMixerTest, DeviceHundredPpmSlowSettlesNearPlusHundredWithBlocksOf480Or481) {
  ASSERT_TRUE(start(true, false));
  constexpr int kBlocks = 1000;  // 10 s
  const double stretch = 1.0 + 100e-6;
  uint64_t previous_inserted = 0;
  int long_blocks = 0;
  for (int i = 0; i < kBlocks; ++i) {
    const int64_t position = std::llround(i * kBlock * stretch);
    ASSERT_EQ(S_OK, push(0, constant_block(0.1f, 0.1f), position));
    const AudioMixerStats stats = mixer_->stats();
    EXPECT_EQ(0u, stats.removed_frames[0]);
    if (i >= 400) {
      const uint64_t grown = stats.inserted_frames[0] - previous_inserted;
      ASSERT_LE(grown, 1u) << "block " << i << " is 480 or 481 frames";
      long_blocks += static_cast<int>(grown);
    }
    previous_inserted = stats.inserted_frames[0];
    if (i % 50 == 49) mix_until(position);
  }
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_NEAR(100.0, stats.rate_ppm[0], 12.0);
  // 600 blocks of 480 frames at +100 ppm need about 29 extra frames.
  EXPECT_NEAR(600 * kBlock * 100e-6, long_blocks, 8);
  EXPECT_EQ(0u, stats.clock_resyncs);
  EXPECT_EQ(0u, stats.dropped_frames);
  mixer_->stop(0);
}

// The placement and drift rules written out from their definition: where a
// push lands, how many frames it becomes and what it does to the counters.
struct PlacementModel {
  bool started = false;
  int64_t expected_position = 0;
  int64_t measure_position = 0;
  uint64_t measure_frames = 0;
  double rate_ppm = 0.0;
  double offset_average = 0.0;
  double fraction = 0.0;
  bool rate_valid = false;

  int64_t last_offset = 0;
  uint64_t max_offset = 0;
  uint64_t offset_pushes = 0;
  uint64_t clock_resyncs = 0;
  uint64_t discontinuities = 0;
  uint64_t adjusted_chunks = 0;
  uint64_t inserted_frames = 0;
  uint64_t removed_frames = 0;

  void reset_drift(int64_t p) {
    measure_position = p;
    measure_frames = 0;
    rate_ppm = 0.0;
    offset_average = 0.0;
    fraction = 0.0;
    rate_valid = false;
  }

  void push(int64_t p, uint32_t n, bool discontinuity) {
    uint32_t out = n;
    int64_t start = p;
    if (!started) {
      started = true;
      reset_drift(p);
    } else {
      const int64_t d = p - expected_position;
      last_offset = d;
      max_offset = std::max<uint64_t>(max_offset, static_cast<uint64_t>(std::llabs(d)));
      if ((discontinuity && std::llabs(d) > 96) || d > 2400) {
        start = std::max(p, expected_position);
        ++clock_resyncs;
        reset_drift(p);
      } else {
        start = expected_position;
        if (d != 0) ++offset_pushes;
        if (discontinuity) {
          reset_drift(p);
        } else {
          offset_average += (static_cast<double>(d) - offset_average) * 0.02;
          if (measure_frames >= 96000) {
            const int64_t e = p - measure_position;
            if (e > 0) {
              const double m = std::clamp(
                  (static_cast<double>(e) / static_cast<double>(measure_frames) - 1.0) * 1e6,
                  -1000.0, 1000.0);
              rate_ppm = rate_valid ? 0.8 * rate_ppm + 0.2 * m : m;
              rate_valid = true;
            }
            measure_position = p;
            measure_frames = 0;
          }
          const double c = std::clamp(offset_average * 1e6 / 240000.0, -500.0, 500.0);
          const double total = std::clamp(c + rate_ppm, -1000.0, 1000.0);
          const double x = (total / 1e6 + 1.0) * n + fraction;
          out = static_cast<uint32_t>(std::clamp<long long>(std::llround(x), 1, 4294967295LL));
          fraction = x - out;
          if (out != n) {
            ++adjusted_chunks;
            (out > n ? inserted_frames : removed_frames) += out > n ? out - n : n - out;
          }
        }
      }
    }
    measure_frames += n;
    expected_position = start + out;
    if (discontinuity) ++discontinuities;
  }
};

TEST(AudioMixerPlacementTest, EveryPushIsPlacedAndStretchedAsTheRulesSay) {
  // A QPC-like clock, so positions are rounded from times.
  constexpr int64_t kQpc = 10000000;
  constexpr int64_t kBase = 7000000000;
  struct Event {
    int index;
    int64_t shift;  // device frames lost (+) or repeated (-) before this block
    bool discontinuity;
  };
  struct Case {
    const char* name;
    double ppm_slow;  // how much slower than the clock the device runs
  };
  const Case cases[] = {
      {"100 ppm slow", 100.0},
      {"300 ppm fast", -300.0},
      {"2500 ppm slow: the rate is limited", 2500.0},
  };
  const Event events[] = {
      {300, 60, true},      // flagged, within tolerance: contiguous, drift restarts
      {450, 150, true},     // flagged and beyond tolerance: own time
      {600, 3000, false},   // a jump beyond the resync limit
      {750, -100, true},    // flagged and early: the expected position
      {900, -2000, false},  // early but unflagged: contiguous
  };
  const uint32_t sizes[] = {480, 441, 1024, 512, 480, 96};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BlockRecorder mixed;
    auto clock = std::make_shared<FakeAudioClock>(kQpc, kBase);
    auto mixer = AudioMixer::create(clock);
    ASSERT_TRUE(mixer->start(kBase, true, false, mixed.callback(), {}, {}));

    PlacementModel model;
    const double device_rate = 48000.0 * (1.0 - c.ppm_slow * 1e-6);
    uint32_t seed = 12345;
    int64_t device_frame = 0;
    std::vector<float> samples(2048 * 2, 0.1f);
    bool reached_limit = false;
    for (int i = 0; i < 1200; ++i) {
      bool discontinuity = false;
      for (const Event& e : events) {
        if (e.index == i) {
          device_frame += e.shift;
          discontinuity = e.discontinuity;
        }
      }
      seed = seed * 1664525u + 1013904223u;
      const double jitter = static_cast<double>(seed >> 16) / 65536.0 * 60.0 - 30.0;  // frames
      const int64_t time =
          kBase + std::llround((static_cast<double>(device_frame) + jitter) / device_rate * kQpc);
      const uint32_t n = sizes[i % std::size(sizes)];

      ASSERT_HRESULT_SUCCEEDED(mixer->push(0, samples.data(), n, time, false, discontinuity))
          << "push " << i;
      model.push(std::llround(static_cast<double>(time - kBase) * 48000.0 / kQpc), n,
                 discontinuity);

      const AudioMixerStats stats = mixer->stats();
      ASSERT_EQ(model.last_offset, stats.last_offset[0]) << "push " << i;
      ASSERT_EQ(model.max_offset, stats.max_offset[0]) << "push " << i;
      ASSERT_EQ(model.offset_pushes, stats.offset_pushes) << "push " << i;
      ASSERT_EQ(model.clock_resyncs, stats.clock_resyncs) << "push " << i;
      ASSERT_EQ(model.discontinuities, stats.discontinuities) << "push " << i;
      ASSERT_EQ(model.adjusted_chunks, stats.adjusted_chunks) << "push " << i;
      ASSERT_EQ(model.inserted_frames, stats.inserted_frames[0]) << "push " << i;
      ASSERT_EQ(model.removed_frames, stats.removed_frames[0]) << "push " << i;
      ASSERT_DOUBLE_EQ(model.rate_ppm, stats.rate_ppm[0]) << "push " << i;
      ASSERT_LE(std::abs(stats.rate_ppm[0]), 1000.0);
      if (stats.rate_ppm[0] == 1000.0) reached_limit = true;
      device_frame += n;
    }
    const AudioMixerStats stats = mixer->stats();
    EXPECT_EQ(3u, stats.clock_resyncs);
    EXPECT_EQ(3u, stats.discontinuities);
    EXPECT_NE(0.0, stats.rate_ppm[0]) << "a rate was measured after the last reset";
    EXPECT_EQ(c.ppm_slow > 1000, reached_limit);
    mixer->stop(kBase + 1);
  }
}

TEST_F(AudioMixerTest, QueueKeepsAtMostNinetySixThousandFrames) {
  ASSERT_TRUE(start(true, false));
  constexpr int kBlocks = 250;  // 120000 frames while the clock stands still
  for (int i = 0; i < kBlocks; ++i) ASSERT_EQ(S_OK, push(0, constant_block(0.3f, 0.3f), i * kBlock));
  AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(24000u, stats.dropped_frames);
  EXPECT_EQ(50u, stats.dropped_chunks);
  mix_until(kBlocks * kBlock);
  stats = mixer_->stats();
  EXPECT_EQ(24000u, stats.missing_frames[0]) << "the dropped oldest frames are missing";
  EXPECT_EQ(0.3f, mixed_.left(kBlocks * kBlock - 1));
  mixer_->stop(0);
}

TEST_F(AudioMixerTest, WhollyLateBlockIsRefusedButAdvancesTheSource) {
  ASSERT_TRUE(start(true, false));
  ASSERT_EQ(S_OK, push(0, constant_block(0.3f, 0.3f), 0));
  mix_until(3 * kBlock);
  // Continues the chain at 480, which is already mixed.
  EXPECT_EQ(S_FALSE, push(0, constant_block(0.3f, 0.3f), kBlock));
  // The chain continues at 960 and ends at 1440: wholly late again.
  EXPECT_EQ(S_FALSE, push(0, constant_block(0.3f, 0.3f), 2 * kBlock));
  // Chain now at 1440 = mixed position; this one is on time.
  EXPECT_EQ(S_OK, push(0, constant_block(0.3f, 0.3f), 3 * kBlock));
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(2u, stats.late_chunks);
  EXPECT_EQ(2u * kBlock, stats.late_frames);
  mixer_->stop(0);
}

TEST_F(AudioMixerTest, StopDeliversLastPartialBlockAndRefusesLaterPushes) {
  ASSERT_TRUE(start(true, false));
  for (int64_t position = 0; position < 3 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.4f, 0.4f), position));
  }
  mix_until(kBlock);
  // The clock stands at 480 + latency; stop does not wait for it.
  mixer_->stop(kStart + 1000);

  const auto blocks = mixed_.blocks();
  ASSERT_EQ(3u, blocks.size());
  EXPECT_EQ(kBlock, blocks[1].frames);
  EXPECT_EQ(40u, blocks[2].frames);
  EXPECT_EQ(kStart + 2 * kBlock, blocks[2].time);
  EXPECT_EQ(0.4f, mixed_.left(999));
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(1000u, stats.delivered_frames);
  EXPECT_EQ(3u, stats.delivered_blocks);
  EXPECT_EQ(S_FALSE, push(0, constant_block(0.4f, 0.4f), 3 * kBlock));
  mixer_->stop(0);  // harmless a second time
}

TEST_F(AudioMixerTest, FailingMixedOutputEndsMixingAndRefusedBlocksAreCounted) {
  mixed_.fail_at_call(3, E_ACCESSDENIED);
  ASSERT_TRUE(start(true, false));
  mixed_.set_result(S_FALSE);
  for (int64_t position = 0; position < 6 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.4f, 0.4f), position));
  }
  // The mixer thread ends after the failed third block; it records the
  // failure and stops running under one hold of its lock.
  clock_->run_until(kStart + 6 * kBlock + kLatency, std::chrono::milliseconds(0));
  ASSERT_TRUE(mixed_.wait_for_calls(3));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (mixer_->stats().mixed_failures == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_EQ(S_FALSE, push(0, constant_block(0.4f, 0.4f), 6 * kBlock)) << "no longer running";
  mixer_->stop(0);
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(3u, mixed_.blocks().size());
  EXPECT_EQ(2u, stats.mixed_refused);
  EXPECT_EQ(1u, stats.mixed_failures);
  EXPECT_EQ(static_cast<int32_t>(E_ACCESSDENIED), stats.last_mixed_result);
  EXPECT_EQ(0u, stats.delivered_blocks);
}

TEST_F(AudioMixerTest, FailingSourceOutputIsRemovedWhileMixingGoesOn) {
  BlockRecorder system;
  BlockRecorder microphone;
  system.fail_at_call(2, E_FAIL);
  ASSERT_TRUE(start(true, true, system.callback(), microphone.callback()));
  for (int64_t position = 0; position < 4 * kBlock; position += kBlock) {
    ASSERT_EQ(S_OK, push(0, constant_block(0.4f, 0.4f), position));
  }
  mix_until(4 * kBlock);
  mixer_->stop(kStart + 4 * kBlock);
  EXPECT_EQ(2u, system.blocks().size());
  EXPECT_EQ(4u, microphone.blocks().size());
  EXPECT_TRUE(microphone.blocks()[0].silent);
  EXPECT_TRUE(microphone.blocks()[0].data_null);
  EXPECT_EQ(4u, mixed_.blocks().size());
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(1u, stats.output_failures[0]);
  EXPECT_EQ(static_cast<int32_t>(E_FAIL), stats.last_output_error[0]);
  EXPECT_EQ(0u, stats.output_failures[1]);
}

TEST_F(AudioMixerTest, StopFromAnOutputCallbackIsRefusedAndTheThreadEnds) {
  std::promise<bool> refused;
  bool first = true;
  const auto stopping_output = [&](const float*, uint32_t, int64_t, bool, bool) -> HRESULT {
    if (!first) return S_OK;
    first = false;
    bool deadlock = false;
    try {
      mixer_->stop(kStart + kBlock);
    } catch (const std::system_error& error) {
      deadlock = error.code() == std::errc::resource_deadlock_would_occur;
    }
    refused.set_value(deadlock);
    return S_OK;
  };
  ASSERT_TRUE(mixer_->start(kStart, true, false, stopping_output, {}, {}));
  ASSERT_EQ(S_OK, push(0, constant_block(0.4f, 0.4f), 0));
  clock_->run_until(kStart + kBlock + kLatency, std::chrono::milliseconds(0));
  std::future<bool> outcome = refused.get_future();
  ASSERT_EQ(std::future_status::ready, outcome.wait_for(std::chrono::seconds(30)));
  EXPECT_TRUE(outcome.get());
  // The thread ends by itself after the callback; this stop, with the same
  // end time, reclaims it.
  mixer_->stop(kStart + kBlock);
  EXPECT_EQ(1u, mixer_->stats().delivered_blocks) << "it ended at the end time asked for";
  EXPECT_TRUE(start(true, false)) << "the mixer can be started again";
  mixer_->stop(kStart + kBlock);
}

// Waits (bounded) until the mixer thread has recorded a failed mixed output.
bool wait_for_mixed_failure(AudioMixer& mixer) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (mixer.stats().mixed_failures == 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST_F(AudioMixerTest, AThrowingMixedOutputFailsTheMixerWithItsCode) {
  struct Case {
    const char* name;
    void (*raise)();
    HRESULT expected;
  };
  const Case cases[] = {
      {"any exception", [] { throw std::runtime_error("output"); }, E_UNEXPECTED},
      {"failed allocation", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BlockRecorder delivered;
    AudioBlockCallback record = delivered.callback();
    int calls = 0;
    auto clock = std::make_shared<FakeAudioClock>(kFrequency, kStart);
    auto mixer = AudioMixer::create(clock);
    StopOnExit stop_on_exit{mixer.get()};
    ASSERT_TRUE(mixer->start(
        kStart, true, false,
        [&](const float* data, uint32_t frames, int64_t time, bool silent, bool gap) -> HRESULT {
          if (++calls == 2) c.raise();
          return record(data, frames, time, silent, gap);
        },
        {}, {}));
    clock->run_until(kStart + 3 * kBlock + kLatency, std::chrono::milliseconds(0));
    ASSERT_TRUE(wait_for_mixed_failure(*mixer));
    EXPECT_EQ(S_FALSE, mixer->push(0, nullptr, kBlock, kStart, true, false)) << "no longer running";
    mixer->stop(0);
    const AudioMixerStats stats = mixer->stats();
    EXPECT_EQ(1u, stats.mixed_failures);
    EXPECT_EQ(static_cast<int32_t>(c.expected), stats.last_mixed_result);
    EXPECT_EQ(1u, stats.delivered_blocks);
    EXPECT_EQ(1u, delivered.blocks().size());
  }
}

TEST_F(AudioMixerTest, AThrowingSourceOutputIsRemovedWhileMixingGoesOn) {
  BlockRecorder microphone;
  int calls = 0;
  ASSERT_TRUE(start(true, true,
                    [&](const float*, uint32_t, int64_t, bool, bool) -> HRESULT {
                      if (++calls == 2) throw std::runtime_error("system output");
                      return S_OK;
                    },
                    microphone.callback()));
  mix_until(4 * kBlock);
  mixer_->stop(kStart + 4 * kBlock);
  EXPECT_EQ(2, calls);
  EXPECT_EQ(4u, microphone.blocks().size());
  EXPECT_EQ(4u, mixed_.blocks().size());
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(1u, stats.output_failures[0]);
  EXPECT_EQ(static_cast<int32_t>(E_UNEXPECTED), stats.last_output_error[0]);
  EXPECT_EQ(0u, stats.mixed_failures);
}

TEST_F(AudioMixerTest, StopFromAnOutputThatDoesNotCatchFailsTheOutputAndTheThreadEnds) {
  bool first = true;
  const auto stopping_output = [&](const float*, uint32_t, int64_t, bool, bool) -> HRESULT {
    if (first) {
      first = false;
      mixer_->stop(kStart + kBlock);  // throws; nothing here catches
    }
    return S_OK;
  };
  ASSERT_TRUE(mixer_->start(kStart, true, false, stopping_output, {}, {}));
  ASSERT_EQ(S_OK, push(0, constant_block(0.4f, 0.4f), 0));
  clock_->run_until(kStart + kBlock + kLatency, std::chrono::milliseconds(0));
  ASSERT_TRUE(wait_for_mixed_failure(*mixer_));
  mixer_->stop(kStart + kBlock);
  const AudioMixerStats stats = mixer_->stats();
  EXPECT_EQ(static_cast<int32_t>(E_UNEXPECTED), stats.last_mixed_result);
  EXPECT_EQ(0u, stats.delivered_blocks);
  EXPECT_TRUE(start(true, false)) << "the mixer can be started again";
  mixer_->stop(kStart + kBlock);
}

TEST_F(AudioMixerTest, LoudMixIsLimitedAndClippedSamplesCounted) {
  ASSERT_TRUE(mixer_->set_gain(0, 2.0f));
  ASSERT_TRUE(start(true, false));
  ASSERT_EQ(S_OK, push(0, constant_block(0.75f, -0.25f), 0));
  mix_until(kBlock);
  mixer_->stop(kStart + kBlock);
  // 0.75 x 2 exceeds 1 once the fade-in weight passes 2/3 (from frame 42 on).
  EXPECT_EQ(1.0f, mixed_.left(kBlock - 1));
  EXPECT_FLOAT_EQ(-0.5f, mixed_.right(kBlock - 1));
  EXPECT_EQ(kBlock - 42u, mixer_->stats().clipped_samples);
}

}  // namespace
}  // namespace quorvel::windows
