#include "app/common/quality_setting.h"

#include <array>
#include <cmath>

namespace quorvel::windows {
namespace {

// Bit/s of the preset levels at 1920 x 1080 and 60 frames per second.
constexpr std::array<double, 3> kPresetBase = {4'000'000.0, 12'000'000.0, 24'000'000.0};
constexpr uint32_t kMinimumBitrate = 1000;

}  // namespace

bool is_valid_quality(const QualitySetting& quality) {
  return quality.level <= QualitySetting::kCustomLevel && quality.kbps >= 1 &&
         quality.kbps <= QualitySetting::kMaxKbps;
}

std::optional<uint32_t> bitrate_for_quality(const QualitySetting& quality, uint32_t width,
                                            uint32_t height, uint32_t frame_rate) {
  if (!is_valid_quality(quality) || width == 0 || height == 0 || frame_rate == 0) return std::nullopt;
  if (quality.level == QualitySetting::kCustomLevel) return quality.kbps * 1000u;
  const double kbps = kPresetBase[quality.level] * width / 1920.0 * height / 1080.0 * frame_rate /
                      60.0 / 1000.0;
  // std::round takes halves away from zero.
  const double bits = std::round(kbps) * 1000.0;
  if (bits > 4'294'967'295.0) return std::nullopt;
  const auto value = static_cast<uint32_t>(bits);
  return value < kMinimumBitrate ? kMinimumBitrate : value;
}

}  // namespace quorvel::windows
