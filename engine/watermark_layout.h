// The rules that place and animate the watermark, as plain functions of the
// video time, the output size and the mark's aspect ratio, so they can be
// checked without a GPU. WatermarkRenderer feeds their results to its shader.
//
// The mark sits in one corner for a 12-second cycle of video time, spins in
// while it fades in over the first 0.75 s, spins out while it fades out over
// the last 0.75 s, and wobbles slightly in between. The corner of each cycle
// comes from the recording's seed, so the same seed gives the same sequence.
// Pure functions; any thread.
#pragma once

#include <cstdint>

namespace quorvel::windows {

// Length of one corner cycle and of the fades, in 100-ns units.
inline constexpr int64_t kWatermarkCycle = 120'000'000;
inline constexpr double kWatermarkFadeSeconds = 0.75;

// Corners in the order the corner hash picks them.
enum class WatermarkCorner : uint32_t { kTopLeft = 0, kTopRight = 1, kBottomRight = 2, kBottomLeft = 3 };

struct WatermarkTiming {
  uint64_t cycle = 0;     // index of the 12-second cycle
  double seconds = 0.0;   // seconds into the cycle
  float fade_in = 0.0f;   // 0..1 over the first 0.75 s
  float fade_out = 0.0f;  // 1..0 over the last 0.75 s
  float spin = 0.0f;      // radians of the spin-in or spin-out
  float angle = 0.0f;     // wobble plus spin, radians
};

// `time` in 100-ns units; negative times count as 0.
WatermarkTiming watermark_timing(int64_t time);

// The corner of a cycle: a golden-ratio step per cycle plus the seed, mixed
// by the SplitMix64 finalizer.
WatermarkCorner watermark_corner(uint64_t cycle, uint32_t seed);

// The opacity of the mark at this time for the configured opacity (clamped
// to 0..1; not a number counts as 0).
float watermark_opacity(const WatermarkTiming& timing, float configured_opacity);

// Placement in output pixels.
struct WatermarkGeometry {
  float margin = 0.0f;
  float width = 0.0f;
  float half_width = 0.0f;
  float half_height = 0.0f;
  float center_x = 0.0f;
  float center_y = 0.0f;
};

// `aspect` is the mark's width / height (positive).
WatermarkGeometry watermark_geometry(uint32_t output_width, uint32_t output_height, float aspect,
                                     WatermarkCorner corner);

struct WatermarkPixelSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The largest side a mark texture may have.
inline constexpr uint32_t kWatermarkMaxImageSide = 2048;
inline constexpr uint32_t kWatermarkMaxTextWidth = 2048;
inline constexpr uint32_t kWatermarkMaxTextHeight = 1024;
inline constexpr uint32_t kWatermarkMinTextSide = 64;
// The longest text mark, in UTF-16 units.
inline constexpr size_t kWatermarkMaxTextLength = 320;

// An image over 2048 pixels on a side is scaled down, keeping its aspect,
// so the longer side fits (rounded, at least 1 pixel a side). Smaller images
// keep their size.
WatermarkPixelSize watermark_image_size(uint32_t width, uint32_t height);

// The text bitmap: the laid-out text plus a 16-pixel border on each side,
// at least 64 x 64 and at most 2048 x 1024.
WatermarkPixelSize watermark_text_bitmap_size(float layout_width, float layout_height);

}  // namespace quorvel::windows
