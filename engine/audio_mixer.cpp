#include "engine/audio_mixer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <utility>

#include "engine/audio_thread_priority.h"
#include "engine/exception_guard.h"

namespace quorvel::windows {
namespace {

constexpr std::chrono::milliseconds kWait{5};
constexpr int64_t kResyncJumpFrames = 2400;
constexpr int64_t kDiscontinuityToleranceFrames = 96;
constexpr uint64_t kRateWindowFrames = 96000;
constexpr double kOffsetSmoothing = 0.02;
constexpr double kRateLimitPpm = 1000.0;
constexpr double kOffsetLimitPpm = 500.0;
constexpr double kOffsetCorrectionFrames = 240000.0;

size_t index_of(uint32_t source) { return source == 0 ? 0 : 1; }

bool all_zero(const float* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (samples[i] != 0.0f) return false;
  }
  return true;
}

// Limits the samples to [-1, 1] and returns how many were beyond; NaN stays
// as it is and is not counted. Branch-free, so the loop vectorises.
uint64_t clip(float* samples, size_t count) {
  uint64_t clipped = 0;
  for (size_t i = 0; i < count; ++i) {
    const float v = samples[i];
    clipped += static_cast<uint64_t>(v > 1.0f) + static_cast<uint64_t>(v < -1.0f);
    samples[i] = std::min(std::max(v, -1.0f), 1.0f);
  }
  return clipped;
}

// Linear resampling of `n` stereo frames to `out` frames.
void resample(const float* input, uint32_t n, uint32_t out, float* output) {
  if (out == n) {
    std::copy(input, input + static_cast<size_t>(n) * 2, output);
    return;
  }
  if (n == 1 || out == 1) {
    for (uint32_t k = 0; k < out; ++k) {
      output[2 * k] = input[0];
      output[2 * k + 1] = input[1];
    }
    return;
  }
  // The index is computed whole for each frame (not as k times a step) so
  // that whole indices, the last frame among them, land exactly on an input
  // frame.
  for (uint32_t k = 0; k < out; ++k) {
    const double index =
        static_cast<double>(k) * static_cast<double>(n - 1) / static_cast<double>(out - 1);
    const uint32_t lower = std::min(static_cast<uint32_t>(index), n - 1);
    const uint32_t upper = std::min(lower + 1, n - 1);
    const float t = static_cast<float>(index - static_cast<double>(lower));
    for (int channel = 0; channel < 2; ++channel) {
      const float a = input[2 * lower + channel];
      const float b = input[2 * upper + channel];
      output[2 * k + channel] = a + (b - a) * t;
    }
  }
}

}  // namespace

AudioMixer::AudioMixer(std::shared_ptr<AudioMixerClock> clock) : clock_(std::move(clock)) {}

AudioMixer::~AudioMixer() { stop(0); }

std::unique_ptr<AudioMixer> AudioMixer::create() { return create(nullptr); }

std::unique_ptr<AudioMixer> AudioMixer::create(std::shared_ptr<AudioMixerClock> clock) {
  if (!clock) clock = make_performance_counter_clock();
  return std::unique_ptr<AudioMixer>(new AudioMixer(std::move(clock)));
}

void AudioMixer::destroy(std::unique_ptr<AudioMixer> mixer) {
  if (mixer) mixer->stop(0);
}

int64_t AudioMixer::position_of(int64_t time) const {
  if (qpc_frequency_ <= 0) return 0;
  return std::llround(static_cast<double>(time - start_time_) * kSampleRate /
                      static_cast<double>(qpc_frequency_));
}

int64_t AudioMixer::time_of(int64_t position) const {
  return start_time_ + std::llround(static_cast<double>(qpc_frequency_) *
                                    static_cast<double>(position) / kSampleRate);
}

void AudioMixer::reset_drift(MixerSource& source, int64_t position) {
  source.measure_position = position;
  source.measure_frames = 0;
  source.rate_ppm = 0.0;
  source.offset_average = 0.0;
  source.fraction = 0.0;
  source.rate_valid = false;
}

bool AudioMixer::start(int64_t start_time, bool system_requested, bool microphone_requested,
                       AudioBlockCallback mixed_output, AudioBlockCallback system_output,
                       AudioBlockCallback microphone_output) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || start_time <= 0 || (!system_requested && !microphone_requested) ||
      !mixed_output) {
    return false;
  }
  qpc_frequency_ = clock_->frequency();
  stats_ = AudioMixerStats{};
  mixed_output_ = std::move(mixed_output);
  source_outputs_ = {std::move(system_output), std::move(microphone_output)};
  sources_ = {};
  start_time_ = start_time;
  mixed_position_ = 0;
  end_position_ = 0;
  current_gain_ = target_gain_;
  requested_ = {system_requested, microphone_requested};
  running_ = true;
  stop_requested_ = false;
  if (FAILED(start_guarded_thread(thread_, [this] { run(); }))) {
    running_ = false;
    mixed_output_ = nullptr;
    source_outputs_ = {};
    return false;
  }
  return true;
}

HRESULT AudioMixer::push(uint32_t source_id, const float* data, uint32_t frames, int64_t time,
                         bool silent, bool discontinuity) {
  const size_t i = index_of(source_id);
  std::lock_guard lock(mutex_);
  if (!running_ || !requested_[i]) return S_FALSE;
  if (frames == 0 || (!data && !silent)) return E_INVALIDARG;

  MixerSource& source = sources_[i];
  const int64_t p = position_of(time);
  const uint32_t n = frames;
  uint32_t out = n;
  int64_t start = p;

  if (!source.started) {
    source.started = true;
    source.first_position = p;
    reset_drift(source, p);
  } else {
    const int64_t d = p - source.expected_position;
    stats_.last_offset[i] = d;
    stats_.max_offset[i] = std::max<uint64_t>(stats_.max_offset[i],
                                              static_cast<uint64_t>(d < 0 ? -d : d));
    const int64_t magnitude = d < 0 ? -d : d;
    if ((discontinuity && magnitude > kDiscontinuityToleranceFrames) || d > kResyncJumpFrames) {
      start = std::max(p, source.expected_position);
      ++stats_.clock_resyncs;
      reset_drift(source, p);
    } else {
      start = source.expected_position;
      if (d != 0) ++stats_.offset_pushes;
      if (discontinuity) {
        reset_drift(source, p);
      } else {
        // Drift compensation: a measured rate difference plus a slow pull
        // towards the block's own time.
        source.offset_average += (static_cast<double>(d) - source.offset_average) *
                                 kOffsetSmoothing;
        if (source.measure_frames >= kRateWindowFrames) {
          const int64_t elapsed = p - source.measure_position;
          if (elapsed > 0) {
            const double measured = std::clamp(
                (static_cast<double>(elapsed) / static_cast<double>(source.measure_frames) -
                 1.0) * 1e6,
                -kRateLimitPpm, kRateLimitPpm);
            source.rate_ppm =
                source.rate_valid ? 0.8 * source.rate_ppm + 0.2 * measured : measured;
            source.rate_valid = true;
          }
          source.measure_position = p;
          source.measure_frames = 0;
        }
        const double correction =
            std::clamp(source.offset_average * 1e6 / kOffsetCorrectionFrames, -kOffsetLimitPpm,
                       kOffsetLimitPpm);
        const double total =
            std::clamp(correction + source.rate_ppm, -kRateLimitPpm, kRateLimitPpm);
        const double x = (total / 1e6 + 1.0) * static_cast<double>(n) + source.fraction;
        const long long rounded = std::clamp<long long>(std::llround(x), 1, 4294967295LL);
        out = static_cast<uint32_t>(rounded);
        source.fraction = x - static_cast<double>(rounded);
        if (out != n) {
          ++stats_.adjusted_chunks;
          if (out > n) {
            stats_.inserted_frames[i] += out - n;
          } else {
            stats_.removed_frames[i] += n - out;
          }
        }
      }
    }
  }

  source.measure_frames += n;
  stats_.rate_ppm[i] = source.rate_ppm;
  source.expected_position = start + out;
  if (discontinuity) ++stats_.discontinuities;

  if (start + static_cast<int64_t>(out) <= mixed_position_) {
    ++stats_.late_chunks;
    stats_.late_frames += out;
    return S_FALSE;
  }
  if (start < mixed_position_) {
    ++stats_.late_chunks;
    stats_.late_frames += static_cast<uint64_t>(mixed_position_ - start);
  }

  AudioChunk chunk;
  chunk.position = start;
  chunk.frames = out;
  chunk.silent = silent;
  if (!silent) {
    chunk.samples.resize(static_cast<size_t>(out) * 2);
    resample(data, n, out, chunk.samples.data());
  }
  const auto at = std::upper_bound(
      source.queue.begin(), source.queue.end(), start,
      [](int64_t position, const AudioChunk& queued) { return position < queued.position; });
  source.queue.insert(at, std::move(chunk));
  source.queued_frames += out;
  ++stats_.pushed_chunks[i];

  while (source.queued_frames > kQueueLimitFrames && !source.queue.empty()) {
    const uint32_t dropped = source.queue.front().frames;
    source.queue.pop_front();
    source.queued_frames -= dropped;
    stats_.dropped_frames += dropped;
    ++stats_.dropped_chunks;
  }
  wake_.notify_one();
  return S_OK;
}

bool AudioMixer::set_gain(uint32_t source, float gain) {
  if (!std::isfinite(gain)) return false;
  const size_t i = index_of(source);
  std::lock_guard lock(mutex_);
  target_gain_[i] = std::clamp(gain, 0.0f, 2.0f);
  if (!running_) current_gain_[i] = target_gain_[i];
  wake_.notify_one();
  return true;
}

void AudioMixer::stop(int64_t end_time) {
  std::thread thread;
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    if (end_time < 1) end_time = clock_->now();
    end_position_ = std::max(mixed_position_, position_of(end_time));
    stop_requested_ = true;
    wake_.notify_all();
    if (thread_.get_id() == std::this_thread::get_id()) {
      // The thread ends by itself once the callback returns; the owner still
      // has to stop the mixer to reclaim it.
      throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
    }
    thread = std::move(thread_);
  }
  thread.join();
  std::lock_guard lock(mutex_);
  running_ = false;
  mixed_output_ = nullptr;
  source_outputs_ = {};
  sources_ = {};
}

AudioMixerStats AudioMixer::stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

void AudioMixer::mix_source(size_t index, int64_t s, uint32_t b, float master, float* mix,
                            float* own) {
  MixerSource& source = sources_[index];
  while (!source.queue.empty() &&
         source.queue.front().position + source.queue.front().frames <= s) {
    source.queued_frames -= source.queue.front().frames;
    source.queue.pop_front();
  }

  AudioBlockRuns block;
  block.gather(source.queue, s, b, source.started, source.first_position);
  stats_.missing_frames[index] += block.missing();
  stats_.missing_before_start[index] += block.missing_before_start();
  if (block.missing() > 0) ++stats_.underrun_blocks[index];
  block.render(source.fade, current_gain_[index], target_gain_[index], master, mix, own);
}

void AudioMixer::run() {
  const HRESULT ended = call_guarded([this] {
    mix_loop();
    return S_OK;
  });
  if (SUCCEEDED(ended)) return;
  // A failed allocation or copy on the way ends mixing as a failed mixed
  // output does; the lock was released while the exception unwound.
  std::lock_guard lock(mutex_);
  ++stats_.mixed_failures;
  stats_.last_mixed_result = ended;
  running_ = false;
}

void AudioMixer::mix_loop() {
  AudioThreadPriority priority;
  std::vector<float> mix(kBlockFrames * 2);
  std::array<std::vector<float>, 2> own{std::vector<float>(kBlockFrames * 2),
                                        std::vector<float>(kBlockFrames * 2)};

  std::unique_lock lock(mutex_);
  while (true) {
    const int64_t now = position_of(clock_->now());
    const int64_t limit = stop_requested_ ? end_position_ : now - kLatencyFrames;
    if (mixed_position_ >= limit) {
      if (stop_requested_) break;
      clock_->wait_for(lock, wake_, kWait);
      continue;
    }
    if (!stop_requested_ && mixed_position_ + static_cast<int64_t>(kBlockFrames) > limit) {
      clock_->wait_for(lock, wake_, kWait);
      continue;
    }
    const uint32_t b = stop_requested_
                           ? static_cast<uint32_t>(std::min<int64_t>(limit - mixed_position_,
                                                                     kBlockFrames))
                           : kBlockFrames;
    const int64_t s = mixed_position_;
    mixed_position_ += b;

    std::fill(mix.begin(), mix.begin() + static_cast<ptrdiff_t>(b) * 2, 0.0f);
    const float master = requested_[0] && requested_[1] ? 0.5f : 1.0f;
    std::array<bool, 2> own_silent{true, true};
    for (size_t i = 0; i < 2; ++i) {
      if (!requested_[i]) continue;
      mix_source(i, s, b, master, mix.data(), own[i].data());
      current_gain_[i] = target_gain_[i];
      own_silent[i] = all_zero(own[i].data(), static_cast<size_t>(b) * 2);
    }
    stats_.clipped_samples += clip(mix.data(), static_cast<size_t>(b) * 2);
    const bool mixed_silent = all_zero(mix.data(), static_cast<size_t>(b) * 2);

    // The outputs are read without the lock and not copied: while the
    // thread runs only this thread changes them (a failed source output is
    // dropped below); start sets them before the thread exists and stop
    // clears them after it ended.
    const AudioBlockCallback& mixed_output = mixed_output_;
    std::array<const AudioBlockCallback*, 2> outputs{};
    for (size_t i = 0; i < 2; ++i) {
      if (requested_[i] && source_outputs_[i]) outputs[i] = &source_outputs_[i];
    }
    const int64_t time = time_of(s);
    lock.unlock();

    // An output that throws has failed like one that returned the error.
    const HRESULT mixed_result = call_guarded([&] {
      return mixed_output ? mixed_output(mixed_silent ? nullptr : mix.data(), b, time,
                                         mixed_silent, false)
                          : S_OK;
    });
    std::array<HRESULT, 2> results{S_OK, S_OK};
    for (size_t i = 0; i < 2; ++i) {
      if (outputs[i]) {
        results[i] = call_guarded([&] {
          return (*outputs[i])(own_silent[i] ? nullptr : own[i].data(), b, time, own_silent[i],
                            false);
        });
      }
    }

    lock.lock();
    if (mixed_result == S_FALSE) {
      ++stats_.mixed_refused;
    } else if (FAILED(mixed_result)) {
      ++stats_.mixed_failures;
      stats_.last_mixed_result = mixed_result;
      stop_requested_ = true;
    } else {
      ++stats_.delivered_blocks;
      stats_.delivered_frames += b;
      stats_.last_mixed_result = 0;
    }
    for (size_t i = 0; i < 2; ++i) {
      if (outputs[i] && FAILED(results[i])) {
        ++stats_.output_failures[i];
        stats_.last_output_error[i] = results[i];
        source_outputs_[i] = nullptr;
      }
    }
  }
  running_ = false;
}

}  // namespace quorvel::windows
