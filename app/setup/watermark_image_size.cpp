#include "app/setup/watermark_image_size.h"

#include <algorithm>
#include <cmath>

namespace quorvel::windows {

PixelSize fit_watermark_image(PixelSize size) {
  const std::uint32_t larger = std::max(size.width, size.height);
  if (larger <= kWatermarkImageMaxSide) return size;
  const double factor = static_cast<double>(kWatermarkImageMaxSide) / larger;
  const auto scale = [factor](std::uint32_t side) {
    return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::round(side * factor)));
  };
  return {scale(size.width), scale(size.height)};
}

}  // namespace quorvel::windows
