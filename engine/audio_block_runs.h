// One source's share of one audio mixer block, mixed in runs of frames
// rather than frame by frame: the queued chunks split the block into runs
// (frames of one chunk, with sound or silent, or of none: a gap), whose
// samples are copied whole; only while a crossfade runs or the gain moves is
// each frame computed on its own. The result is the same, bit for bit, as
// the frame-by-frame rule: the steady stretches are its end points.
//
// Used by the audio mixer on its own thread under its lock; a plain value
// with no platform calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace quorvel::windows {

inline constexpr uint32_t kMixBlockFrames = 480;
inline constexpr int32_t kMixCrossfadeFrames = 64;

// Stereo frames a source queued at a mixer position; a silent chunk keeps no samples.
struct AudioChunk {
  int64_t position = 0;
  uint32_t frames = 0;
  std::vector<float> samples;
  bool silent = false;
};

// Where a source's output stands between blocks: the last frame it gave, the
// frame a crossfade starts from and how far the crossfade has to go.
struct AudioSourceFade {
  std::array<float, 2> held{};
  std::array<float, 2> last_output{};
  int32_t fade_remaining = 0;
  bool audible = false;
};

class AudioBlockRuns {
 public:
  struct Run {
    uint32_t from;  // block frames [from, to)
    uint32_t to;
    bool audible;
  };

  // Splits the block [s, s + b) (b at most kMixBlockFrames) by the chunks of
  // `queue`, which is ordered by position; where chunks overlap the earlier
  // one wins. Frames no chunk covers count as missing once the source has
  // started and from its first position on, else as missing before start.
  void gather(const std::deque<AudioChunk>& queue, int64_t s, uint32_t b, bool started,
              int64_t first_position);

  // Writes the source's own output for the block into `own` (before gain)
  // and adds it into `mix` with the gain ramping from `from_gain` to
  // `to_gain` across the block, times `master`. Sound that starts fades in
  // over 64 frames from the last output, sound that stops fades that out.
  void render(AudioSourceFade& fade, float from_gain, float to_gain, float master, float* mix,
              float* own) const;

  const Run* runs() const { return runs_.data(); }
  size_t run_count() const { return run_count_; }
  uint64_t missing() const { return missing_; }
  uint64_t missing_before_start() const { return missing_before_start_; }

 private:
  void add_run(uint32_t from, uint32_t to, bool audible);

  uint32_t frames_ = 0;
  size_t run_count_ = 0;
  uint64_t missing_ = 0;
  uint64_t missing_before_start_ = 0;
  // Every run holds at least one frame.
  std::array<Run, kMixBlockFrames> runs_;
  // Stereo samples of the audible runs, at their block positions.
  std::array<float, kMixBlockFrames * 2> samples_;
};

}  // namespace quorvel::windows
