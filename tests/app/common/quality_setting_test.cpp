#include "app/common/quality_setting.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvel::windows {
namespace {

struct BitrateCase {
  const char* name;
  QualitySetting quality;
  uint32_t width;
  uint32_t height;
  uint32_t frame_rate;
  std::optional<uint32_t> expected;
};

const BitrateCase kBitrateCases[] = {
    {"full HD 60 at level 1", {1, 12000}, 1920, 1080, 60, 12'000'000u},
    // 4000 x 2/3 x 2/3 x 1/2 = 888.9 kbit/s, rounded to whole kbit/s.
    {"720p 30 at level 0", {0, 12000}, 1280, 720, 30, 889'000u},
    {"4K 60 at level 2", {2, 12000}, 3840, 2160, 60, 96'000'000u},
    {"tiny frame keeps the floor", {0, 12000}, 1, 1, 1, 1000u},
    {"custom level uses kbps", {3, 4'294'967}, 1920, 1080, 60, 4'294'967'000u},
    {"custom level ignores size", {3, 1}, 16384, 16384, 240, 1000u},
    {"kbps 0 at a preset level", {1, 0}, 1920, 1080, 60, std::nullopt},
    {"kbps above the limit at a preset level", {1, 4'294'968}, 1920, 1080, 60, std::nullopt},
    {"level 4", {4, 12000}, 1920, 1080, 60, std::nullopt},
    {"zero width", {1, 12000}, 0, 1080, 60, std::nullopt},
    {"zero height", {1, 12000}, 1920, 0, 60, std::nullopt},
    {"zero frame rate", {1, 12000}, 1920, 1080, 0, std::nullopt},
    // 24000 x 8.53 x 15.17 x 4 kbit/s is far beyond 32 bits of bit/s.
    {"beyond 32 bits", {2, 12000}, 16384, 16384, 240, std::nullopt},
};

TEST(BitrateForQuality, FollowsTheScalingRule) {
  for (const BitrateCase& c : kBitrateCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bitrate_for_quality(c.quality, c.width, c.height, c.frame_rate), c.expected);
  }
}

TEST(BitrateForQuality, RoundsHalfKilobitsAwayFromZero) {
  // 4000 x (1080 / 1920) / 60 = 37.5 kbit/s and 12000 x (16 / 1920) x (27 / 1080) = 2.5 kbit/s,
  // both exact in double precision: halves go up, not to the even neighbour.
  EXPECT_EQ(bitrate_for_quality({0, 12000}, 1080, 1080, 1), 38'000u);
  EXPECT_EQ(bitrate_for_quality({1, 12000}, 16, 27, 60), 3'000u);
  // 12000 x (32 / 1920) x (18 / 1080) = 3.33 kbit/s rounds down.
  EXPECT_EQ(bitrate_for_quality({1, 12000}, 32, 18, 60), 3'000u);
}

TEST(QualitySettingValidity, NeedsLevelUpToThreeAndKbpsInRange) {
  EXPECT_TRUE(is_valid_quality({0, 1}));
  EXPECT_TRUE(is_valid_quality({3, QualitySetting::kMaxKbps}));
  EXPECT_FALSE(is_valid_quality({4, 12000}));
  EXPECT_FALSE(is_valid_quality({0, 0}));
  EXPECT_FALSE(is_valid_quality({3, QualitySetting::kMaxKbps + 1}));
}

}  // namespace
}  // namespace quorvel::windows
