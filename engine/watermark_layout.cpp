#include "engine/watermark_layout.h"

#include <algorithm>
#include <cmath>

namespace quorvel::windows {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUnitsPerSecond = 10'000'000.0;

}  // namespace

WatermarkTiming watermark_timing(int64_t time) {
  const int64_t t = std::max<int64_t>(time, 0);
  WatermarkTiming timing;
  timing.cycle = static_cast<uint64_t>(t / kWatermarkCycle);
  const int64_t into_cycle = t - static_cast<int64_t>(timing.cycle) * kWatermarkCycle;
  timing.seconds = static_cast<double>(into_cycle) / kUnitsPerSecond;
  const double fade_in = std::clamp(timing.seconds / kWatermarkFadeSeconds, 0.0, 1.0);
  const double fade_out = std::clamp((12.0 - timing.seconds) / kWatermarkFadeSeconds, 0.0, 1.0);
  timing.fade_in = static_cast<float>(fade_in);
  timing.fade_out = static_cast<float>(fade_out);
  double spin = 0.0;
  if (timing.seconds < kWatermarkFadeSeconds) {
    spin = 2.0 * kPi * (1.0 - fade_in);
  } else if (timing.seconds > 12.0 - kWatermarkFadeSeconds) {
    spin = 2.0 * kPi * (1.0 - fade_out);
  }
  timing.spin = static_cast<float>(spin);
  const double wobble = std::sin(static_cast<double>(t) / kUnitsPerSecond * 0.65) * 0.045;
  timing.angle = static_cast<float>(wobble + spin);
  return timing;
}

WatermarkCorner watermark_corner(uint64_t cycle, uint32_t seed) {
  uint64_t h = cycle * 0x9E3779B97F4A7C15ull + seed;
  h ^= h >> 30;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 27;
  h *= 0x94D049BB133111EBull;
  h ^= h >> 31;
  return static_cast<WatermarkCorner>(h & 3);
}

float watermark_opacity(const WatermarkTiming& timing, float configured_opacity) {
  // A stored setting that is not a number would blacken the whole frame in
  // the shader; it means no mark.
  const float opacity = std::isnan(configured_opacity) ? 0.0f : std::clamp(configured_opacity, 0.0f, 1.0f);
  return std::min(timing.fade_in, timing.fade_out) * opacity;
}

WatermarkGeometry watermark_geometry(uint32_t output_width, uint32_t output_height, float aspect,
                                     WatermarkCorner corner) {
  const double w = output_width;
  const double h = output_height;
  const double margin = std::max(std::min(w, h) * 0.035, 10.0);
  const double width = std::min(h * 0.38 * aspect, w * 0.22);
  const double half_width = width / 2.0;
  const double half_height = width / aspect / 2.0;
  const bool right = corner == WatermarkCorner::kTopRight || corner == WatermarkCorner::kBottomRight;
  const bool bottom = corner == WatermarkCorner::kBottomRight || corner == WatermarkCorner::kBottomLeft;
  WatermarkGeometry geometry;
  geometry.margin = static_cast<float>(margin);
  geometry.width = static_cast<float>(width);
  geometry.half_width = static_cast<float>(half_width);
  geometry.half_height = static_cast<float>(half_height);
  geometry.center_x = static_cast<float>(right ? w - margin - half_width : margin + half_width);
  geometry.center_y = static_cast<float>(bottom ? h - margin - half_height : margin + half_height);
  return geometry;
}

WatermarkPixelSize watermark_image_size(uint32_t width, uint32_t height) {
  if (width <= kWatermarkMaxImageSide && height <= kWatermarkMaxImageSide) return {width, height};
  if (width == 0 || height == 0) return {width, height};
  const double scale = std::min(static_cast<double>(kWatermarkMaxImageSide) / width,
                                static_cast<double>(kWatermarkMaxImageSide) / height);
  // std::lround rounds halves away from zero.
  const auto scaled = [scale](uint32_t side) {
    return static_cast<uint32_t>(std::max<long>(std::lround(side * scale), 1));
  };
  return {scaled(width), scaled(height)};
}

WatermarkPixelSize watermark_text_bitmap_size(float layout_width, float layout_height) {
  const auto side = [](float extent, uint32_t low, uint32_t high) {
    const double value = std::ceil(static_cast<double>(extent) + 32.0);
    return static_cast<uint32_t>(std::clamp(value, static_cast<double>(low), static_cast<double>(high)));
  };
  return {side(layout_width, kWatermarkMinTextSide, kWatermarkMaxTextWidth),
          side(layout_height, kWatermarkMinTextSide, kWatermarkMaxTextHeight)};
}

}  // namespace quorvel::windows
