// A quality choice of the recording or the live stream, and the bit rate it
// stands for. Plain values; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace quorvel::windows {

// Levels 0, 1 and 2 scale a preset bit rate with the size and frame rate;
// level 3 uses the custom rate. The custom rate must be valid at every level.
struct QualitySetting {
  static constexpr uint32_t kCustomLevel = 3;
  // The largest rate whose bit/s still fit in 32 bits.
  static constexpr uint32_t kMaxKbps = 4'294'967;

  uint32_t level = 1;
  uint32_t kbps = 12'000;

  friend bool operator==(const QualitySetting&, const QualitySetting&) = default;
};

// Level 0 to 3 and a custom rate of 1 to kMaxKbps kbit/s.
bool is_valid_quality(const QualitySetting& quality);

// Bit/s for a recording of the given size and frame rate; empty when the
// quality is invalid, any dimension or the rate is 0, or the result does not
// fit in 32 bits. Never below 1000.
std::optional<uint32_t> bitrate_for_quality(const QualitySetting& quality, uint32_t width,
                                            uint32_t height, uint32_t frame_rate);

}  // namespace quorvel::windows
