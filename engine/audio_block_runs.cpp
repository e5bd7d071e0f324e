#include "engine/audio_block_runs.h"

#include <algorithm>

namespace quorvel::windows {

void AudioBlockRuns::add_run(uint32_t from, uint32_t to, bool audible) {
  runs_[run_count_++] = Run{from, to, audible};
}

void AudioBlockRuns::gather(const std::deque<AudioChunk>& queue, int64_t s, uint32_t b,
                            bool started, int64_t first_position) {
  frames_ = std::min(b, kMixBlockFrames);
  run_count_ = 0;
  missing_ = 0;
  missing_before_start_ = 0;
  const int64_t block_end = s + frames_;
  auto add_gap = [&](int64_t from, int64_t to) {
    add_run(static_cast<uint32_t>(from - s), static_cast<uint32_t>(to - s), false);
    const int64_t counted_from = started ? std::max(from, first_position) : to;
    const uint64_t missing = static_cast<uint64_t>(std::max<int64_t>(to - counted_from, 0));
    missing_ += missing;
    missing_before_start_ += static_cast<uint64_t>(to - from) - missing;
  };

  // The queue is ordered by position, so whatever the chunks before this
  // one covered of the block ends at `covered_to`: only frames past it are new.
  int64_t covered_to = s;
  for (const AudioChunk& chunk : queue) {
    if (chunk.position >= block_end) break;
    const int64_t from = std::max(covered_to, chunk.position);
    const int64_t to = std::min(block_end, chunk.position + static_cast<int64_t>(chunk.frames));
    if (to <= from) continue;
    if (from > covered_to) add_gap(covered_to, from);
    const bool has_sound = !chunk.silent && !chunk.samples.empty();
    add_run(static_cast<uint32_t>(from - s), static_cast<uint32_t>(to - s), has_sound);
    if (has_sound) {
      std::copy(chunk.samples.begin() + (from - chunk.position) * 2,
                chunk.samples.begin() + (to - chunk.position) * 2,
                samples_.begin() + (from - s) * 2);
    }
    covered_to = to;
  }
  if (covered_to < block_end) add_gap(covered_to, block_end);
}

void AudioBlockRuns::render(AudioSourceFade& state, float from_gain, float to_gain, float master,
                            float* mix, float* own) const {
  // The state lives in locals for the block: no member loads per frame.
  float held[2] = {state.held[0], state.held[1]};
  float last[2] = {state.last_output[0], state.last_output[1]};
  int32_t fade = state.fade_remaining;
  bool audible = state.audible;
  const uint32_t b = frames_;
  const bool ramp = from_gain != to_gain;
  // The ramp's formula at any frame when the gain does not move.
  const float steady_gain = (from_gain + (to_gain - from_gain) * 0.0f) * master;
  const float* const samples = samples_.data();

  for (size_t r = 0; r < run_count_; ++r) {
    const Run& run = runs_[r];
    if (run.audible != audible) {
      held[0] = last[0];
      held[1] = last[1];
      fade = kMixCrossfadeFrames;
      audible = run.audible;
    }
    uint32_t k = run.from;
    // Frame by frame only while a crossfade runs or the gain moves.
    for (; k < run.to && (ramp || fade > 0); ++k) {
      const float ratio = b > 1 ? static_cast<float>(k) / static_cast<float>(b - 1) : 1.0f;
      const float g = (from_gain + (to_gain - from_gain) * ratio) * master;
      float output[2];
      if (audible) {
        const float t =
            fade > 0 ? 1.0f - static_cast<float>(fade - 1) / kMixCrossfadeFrames : 1.0f;
        for (int c = 0; c < 2; ++c) output[c] = t * samples[2 * k + c] + (1.0f - t) * held[c];
      } else {
        const float t = fade > 0 ? static_cast<float>(fade - 1) / kMixCrossfadeFrames : 0.0f;
        for (int c = 0; c < 2; ++c) output[c] = t * held[c];
      }
      last[0] = output[0];
      last[1] = output[1];
      own[2 * k] = output[0];
      own[2 * k + 1] = output[1];
      mix[2 * k] += output[0] * g;
      mix[2 * k + 1] += output[1] * g;
      if (fade > 0) --fade;
    }
    if (k == run.to) continue;

    // The rest of the run is the crossfade's end point, where the held
    // frame weighs exactly zero.
    const float z0 = 0.0f * held[0];
    const float z1 = 0.0f * held[1];
    const size_t frames = run.to - k;
    const float* in = samples + 2 * k;
    float* own_out = own + 2 * k;
    float* mix_out = mix + 2 * k;
    if (audible) {
      for (size_t i = 0; i < frames; ++i) {
        const float o0 = in[2 * i] + z0;
        const float o1 = in[2 * i + 1] + z1;
        own_out[2 * i] = o0;
        own_out[2 * i + 1] = o1;
        mix_out[2 * i] += o0 * steady_gain;
        mix_out[2 * i + 1] += o1 * steady_gain;
      }
      last[0] = own_out[2 * (frames - 1)];
      last[1] = own_out[2 * (frames - 1) + 1];
    } else {
      const float m0 = z0 * steady_gain;
      const float m1 = z1 * steady_gain;
      for (size_t i = 0; i < frames; ++i) {
        own_out[2 * i] = z0;
        own_out[2 * i + 1] = z1;
        mix_out[2 * i] += m0;
        mix_out[2 * i + 1] += m1;
      }
      last[0] = z0;
      last[1] = z1;
    }
  }

  state.held = {held[0], held[1]};
  state.last_output = {last[0], last[1]};
  state.fade_remaining = fade;
  state.audible = audible;
}

}  // namespace quorvel::windows
