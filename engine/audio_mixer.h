// AudioMixer turns the blocks of up to two capture sources (0 the system
// sound, 1 the microphone) into one continuous 48 kHz stereo float stream of
// 480-frame blocks, produced on its own thread 2400 frames behind the clock
// so that late blocks can still be placed. Blocks are placed on a common
// timeline by their QPC times; small clock drift is absorbed by stretching or
// squeezing blocks, large jumps by resynchronising, gaps and returns of sound
// by 64-frame crossfades, and gain changes are ramped across a block.
//
// Threads: push is called on the capture threads, set_gain on the UI thread,
// start, stop and stats on the owner's thread. One mutex guards all state;
// the mixer thread releases it around the output callbacks, which therefore
// may take other locks (and may push, but cannot stop the mixer). An output
// that throws counts as one that failed with E_UNEXPECTED (E_OUTOFMEMORY for
// a failed allocation): no exception leaves the mixer thread.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/audio_block_callback.h"
#include "engine/audio_block_runs.h"
#include "engine/audio_mixer_clock.h"

namespace quorvel::windows {

struct AudioMixerStats {
  std::array<uint64_t, 2> pushed_chunks{};
  uint64_t delivered_blocks = 0;
  uint64_t delivered_frames = 0;
  std::array<uint64_t, 2> missing_before_start{};
  std::array<uint64_t, 2> missing_frames{};
  std::array<uint64_t, 2> underrun_blocks{};
  uint64_t late_chunks = 0;
  uint64_t late_frames = 0;
  uint64_t dropped_chunks = 0;
  uint64_t dropped_frames = 0;
  uint64_t offset_pushes = 0;
  uint64_t clock_resyncs = 0;
  uint64_t discontinuities = 0;
  std::array<int64_t, 2> last_offset{};
  std::array<uint64_t, 2> max_offset{};
  std::array<double, 2> rate_ppm{};
  // Frames added by stretching and removed by squeezing, per source.
  std::array<uint64_t, 2> inserted_frames{};
  std::array<uint64_t, 2> removed_frames{};
  uint64_t adjusted_chunks = 0;
  std::array<uint64_t, 2> output_failures{};
  std::array<int32_t, 2> last_output_error{};
  uint64_t clipped_samples = 0;
  uint64_t mixed_refused = 0;
  uint64_t mixed_failures = 0;
  int32_t last_mixed_result = 0;
};

class AudioMixer {
 public:
  static constexpr uint32_t kSampleRate = 48000;
  static constexpr uint32_t kBlockFrames = kMixBlockFrames;
  static constexpr int64_t kLatencyFrames = 2400;
  static constexpr uint64_t kQueueLimitFrames = 96000;
  static constexpr int32_t kCrossfadeFrames = kMixCrossfadeFrames;

  // A mixer paced by the performance counter.
  static std::unique_ptr<AudioMixer> create();
  // A mixer paced by `clock` (null means the performance counter).
  static std::unique_ptr<AudioMixer> create(std::shared_ptr<AudioMixerClock> clock);
  static void destroy(std::unique_ptr<AudioMixer> mixer);

  ~AudioMixer();
  AudioMixer(const AudioMixer&) = delete;
  AudioMixer& operator=(const AudioMixer&) = delete;

  // Starts mixing at `start_time` (QPC ticks). False, with nothing changed,
  // when the thread still exists, the start time is not positive, neither
  // source is requested, or the mixed output is empty. The per-source outputs
  // may be empty.
  bool start(int64_t start_time, bool system_requested, bool microphone_requested,
             AudioBlockCallback mixed_output, AudioBlockCallback system_output,
             AudioBlockCallback microphone_output);
  // Queues a block of source 0 (system) or any other value (microphone).
  // S_OK queued; S_FALSE not wanted (not running, source not requested, or
  // the block lies wholly before the mixed position); E_INVALIDARG for 0
  // frames or null data without `silent`. The data is copied before return.
  [[nodiscard]] HRESULT push(uint32_t source, const float* data, uint32_t frames, int64_t time, bool silent,
               bool discontinuity);
  // Sets a source's gain, clamped to [0, 2]; ramped over the next block while
  // running, immediate otherwise. False for an infinite or NaN gain.
  bool set_gain(uint32_t source, float gain);
  // Mixes everything up to `end_time` (QPC ticks; below 1 means now), waits
  // for the thread, drops the outputs and empties the queues. Harmless when
  // not started. Called on the mixer thread itself it throws std::system_error
  // (resource_deadlock_would_occur) after asking the thread to end; an output
  // that lets it pass counts as failed, and the thread still ends.
  void stop(int64_t end_time);
  AudioMixerStats stats() const;

 private:
  struct MixerSource {
    std::deque<AudioChunk> queue;
    uint64_t queued_frames = 0;
    int64_t expected_position = 0;
    int64_t first_position = 0;
    AudioSourceFade fade;
    int64_t measure_position = 0;
    uint64_t measure_frames = 0;
    double rate_ppm = 0.0;
    double offset_average = 0.0;
    double fraction = 0.0;
    bool started = false;
    bool rate_valid = false;
  };

  explicit AudioMixer(std::shared_ptr<AudioMixerClock> clock);

  int64_t position_of(int64_t time) const;
  int64_t time_of(int64_t position) const;
  static void reset_drift(MixerSource& source, int64_t position);
  void run();
  void mix_loop();
  // Mixes source `index` into `mix` for the block [s, s + b); writes the
  // source's own block (before gain) into `own`. Called with the lock held.
  void mix_source(size_t index, int64_t s, uint32_t b, float master, float* mix, float* own);

  const std::shared_ptr<AudioMixerClock> clock_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  AudioMixerStats stats_;
  AudioBlockCallback mixed_output_;
  std::array<AudioBlockCallback, 2> source_outputs_;
  std::array<MixerSource, 2> sources_;
  std::thread thread_;
  int64_t start_time_ = 0;
  int64_t qpc_frequency_ = 0;
  int64_t mixed_position_ = 0;
  int64_t end_position_ = 0;
  std::array<float, 2> target_gain_{1.0f, 1.0f};
  std::array<float, 2> current_gain_{1.0f, 1.0f};
  std::array<bool, 2> requested_{};
  bool running_ = false;
  bool stop_requested_ = false;
};

}  // namespace quorvel::windows
