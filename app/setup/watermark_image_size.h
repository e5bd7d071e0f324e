// The size a watermark image is kept at: its larger side at most 1024
// pixels, the other side scaled alike, never below 1.
#pragma once

#include <cstdint>

namespace quorvel::windows {

inline constexpr std::uint32_t kWatermarkImageMaxSide = 1024;

struct PixelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;

  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The size unchanged when both sides are within the limit.
PixelSize fit_watermark_image(PixelSize size);

}  // namespace quorvel::windows
