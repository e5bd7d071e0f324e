#include "engine/audio_block_runs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace quorvel::windows {
namespace {

constexpr int64_t kS = 96000;  // the block's first position

// The mixing rule as written, one frame at a time: which chunk covers each
// frame (the earliest wins), the missing counts, then each frame's output
// with its crossfade and gain.
struct ReferenceBlock {
  std::vector<bool> covered;
  std::vector<bool> audible;
  std::vector<float> samples;
  uint64_t missing = 0;
  uint64_t missing_before_start = 0;
};

ReferenceBlock reference_gather(const std::deque<AudioChunk>& queue, int64_t s, uint32_t b,
                                bool started, int64_t first_position) {
  ReferenceBlock block{std::vector<bool>(b), std::vector<bool>(b), std::vector<float>(b * 2)};
  for (const AudioChunk& chunk : queue) {
    if (chunk.position >= s + b) break;
    const bool has_sound = !chunk.silent && !chunk.samples.empty();
    for (int64_t p = std::max(s, chunk.position);
         p < std::min<int64_t>(s + b, chunk.position + chunk.frames); ++p) {
      const size_t k = static_cast<size_t>(p - s);
      if (block.covered[k]) continue;
      block.covered[k] = true;
      block.audible[k] = has_sound;
      if (has_sound) {
        block.samples[2 * k] = chunk.samples[static_cast<size_t>(p - chunk.position) * 2];
        block.samples[2 * k + 1] = chunk.samples[static_cast<size_t>(p - chunk.position) * 2 + 1];
      }
    }
  }
  for (uint32_t k = 0; k < b; ++k) {
    if (block.covered[k]) continue;
    if (started && s + k >= first_position) {
      ++block.missing;
    } else {
      ++block.missing_before_start;
    }
  }
  return block;
}

void reference_render(const ReferenceBlock& block, uint32_t b, AudioSourceFade& state,
                      float from_gain, float to_gain, float master, float* mix, float* own) {
  for (uint32_t k = 0; k < b; ++k) {
    const float r = b > 1 ? static_cast<float>(k) / static_cast<float>(b - 1) : 1.0f;
    const float g = (from_gain + (to_gain - from_gain) * r) * master;
    if (block.audible[k] != state.audible) {
      state.held = state.last_output;
      state.fade_remaining = kMixCrossfadeFrames;
      state.audible = block.audible[k];
    }
    std::array<float, 2> output;
    if (block.audible[k]) {
      const float t = state.fade_remaining > 0
                          ? 1.0f - static_cast<float>(state.fade_remaining - 1) / kMixCrossfadeFrames
                          : 1.0f;
      for (int c = 0; c < 2; ++c) {
        output[c] = t * block.samples[2 * k + c] + (1.0f - t) * state.held[c];
      }
    } else {
      const float t = state.fade_remaining > 0
                          ? static_cast<float>(state.fade_remaining - 1) / kMixCrossfadeFrames
                          : 0.0f;
      for (int c = 0; c < 2; ++c) output[c] = t * state.held[c];
    }
    state.last_output = output;
    own[2 * k] = output[0];
    own[2 * k + 1] = output[1];
    mix[2 * k] += output[0] * g;
    mix[2 * k + 1] += output[1] * g;
    if (state.fade_remaining > 0) --state.fade_remaining;
  }
}

AudioChunk sound(int64_t position, uint32_t frames, float base) {
  AudioChunk chunk{position, frames, std::vector<float>(frames * 2), false};
  for (uint32_t i = 0; i < frames; ++i) {
    chunk.samples[2 * i] = base + 0.001f * static_cast<float>(i);
    chunk.samples[2 * i + 1] = -base + 0.0007f * static_cast<float>(i);
  }
  return chunk;
}

AudioChunk silence(int64_t position, uint32_t frames) { return {position, frames, {}, true}; }

struct RunsCase {
  const char* name;
  std::deque<AudioChunk> queue;
  uint32_t frames = kMixBlockFrames;
  bool started = true;
  int64_t first_position = 0;
  AudioSourceFade state;
  float from_gain = 1.0f;
  float to_gain = 1.0f;
  float master = 1.0f;
  std::vector<AudioBlockRuns::Run> runs;  // checked when not empty
};

uint32_t bits(float value) { return std::bit_cast<uint32_t>(value); }

// The block's chunks overlap twice (the earlier chunk wins each time) and
// leave two gaps, the first across the source's first position.
std::deque<AudioChunk> overlaps_and_gaps() {
  return {sound(kS - 10, 110, 0.30f), sound(kS + 50, 150, 0.60f), silence(kS + 260, 40),
          sound(kS + 290, 110, -0.20f)};
}

std::vector<RunsCase> cases() {
  std::vector<RunsCase> out;
  out.push_back({"OneChunkCoversTheBlock", {sound(kS - 100, 700, 0.25f)}});
  out.back().runs = {{0, 480, true}};

  out.push_back({"OverlapsAndGapsInOneBlock", overlaps_and_gaps()});
  out.back().first_position = kS + 220;
  out.back().runs = {{0, 100, true},    {100, 200, true},  {200, 260, false},
                     {260, 300, false}, {300, 400, true},  {400, 480, false}};

  out.push_back({"OverlapsAndGapsUnderAGainRamp", overlaps_and_gaps()});
  out.back().from_gain = 1.0f;
  out.back().to_gain = 0.3f;
  out.back().master = 0.5f;

  out.push_back({"CrossfadeCarriedInFromTheBlockBefore", overlaps_and_gaps()});
  out.back().state = {{0.4f, -0.35f}, {0.1f, 0.2f}, 30, false};

  out.push_back({"SourceNotStartedYet", {}});
  out.back().started = false;
  out.back().runs = {{0, 480, false}};

  out.push_back({"ShortLastBlockAtAStop", overlaps_and_gaps()});
  out.back().frames = 120;

  out.push_back({"OneFrameBlock", overlaps_and_gaps()});
  out.back().frames = 1;
  out.back().from_gain = 0.5f;
  out.back().to_gain = 2.0f;

  // Signed zeros, and a crossfade long over whose held value is not
  // finite: the steady stretches must keep whatever the frame-by-frame rule
  // makes of them.
  AudioChunk zeros = sound(kS, 480, 0.0f);
  for (size_t i = 0; i < zeros.samples.size(); i += 3) zeros.samples[i] = -0.0f;
  out.push_back({"SignedZerosAndNonFiniteHeld", {zeros}});
  out.back().state = {{-0.5f, std::numeric_limits<float>::infinity()},
                      {-0.25f, -0.0f}, 0, true};
  out.back().master = 0.5f;
  return out;
}

class AudioBlockRunsTest : public ::testing::TestWithParam<RunsCase> {};

TEST_P(AudioBlockRunsTest, MixesBitForBitAsTheFrameByFrameRule) {
  const RunsCase& c = GetParam();
  AudioBlockRuns block;
  block.gather(c.queue, kS, c.frames, c.started, c.first_position);
  const ReferenceBlock reference = reference_gather(c.queue, kS, c.frames, c.started,
                                                    c.first_position);
  EXPECT_EQ(block.missing(), reference.missing);
  EXPECT_EQ(block.missing_before_start(), reference.missing_before_start);
  if (!c.runs.empty()) {
    ASSERT_EQ(block.run_count(), c.runs.size());
    for (size_t i = 0; i < c.runs.size(); ++i) {
      EXPECT_EQ(block.runs()[i].from, c.runs[i].from) << i;
      EXPECT_EQ(block.runs()[i].to, c.runs[i].to) << i;
      EXPECT_EQ(block.runs()[i].audible, c.runs[i].audible) << i;
    }
  }

  // A mix that already holds another source's block.
  std::vector<float> mix(c.frames * 2);
  for (size_t i = 0; i < mix.size(); ++i) mix[i] = 0.05f * static_cast<float>(i % 7) - 0.1f;
  std::vector<float> expected_mix = mix;
  std::vector<float> own(c.frames * 2, 9.0f);
  std::vector<float> expected_own(c.frames * 2, 9.0f);
  AudioSourceFade state = c.state;
  AudioSourceFade expected_state = c.state;
  block.render(state, c.from_gain, c.to_gain, c.master, mix.data(), own.data());
  reference_render(reference, c.frames, expected_state, c.from_gain, c.to_gain, c.master,
                   expected_mix.data(), expected_own.data());

  for (size_t i = 0; i < mix.size(); ++i) {
    ASSERT_EQ(bits(own[i]), bits(expected_own[i])) << "own sample " << i;
    ASSERT_EQ(bits(mix[i]), bits(expected_mix[i])) << "mix sample " << i;
  }
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_EQ(bits(state.held[ch]), bits(expected_state.held[ch]));
    EXPECT_EQ(bits(state.last_output[ch]), bits(expected_state.last_output[ch]));
  }
  EXPECT_EQ(state.fade_remaining, expected_state.fade_remaining);
  EXPECT_EQ(state.audible, expected_state.audible);
}

INSTANTIATE_TEST_SUITE_P(Blocks, AudioBlockRunsTest, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::windows
