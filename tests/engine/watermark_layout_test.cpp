#include "engine/watermark_layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <numbers>

namespace quorvel::windows {
namespace {

constexpr int64_t kSecond = 10'000'000;
constexpr float kPi = std::numbers::pi_v<float>;

struct TimingCase {
  int64_t time;
  float opacity_share;  // of the configured opacity
  float spin;
  float angle;  // wobble sin(t x 0.65) x 0.045 plus spin
};

TEST(WatermarkLayout, FadesAndSpinsInAndOutOfEachCycle) {
  const TimingCase cases[] = {
      {0, 0.0f, 2 * kPi, 2 * kPi},
      {6 * kSecond, 1.0f, 0.0f, -0.0309495f},
      {116'250'000, 0.5f, kPi, 3.1846129f},
      {-5 * kSecond, 0.0f, 2 * kPi, 2 * kPi},  // before the start counts as 0
  };
  for (const TimingCase& c : cases) {
    SCOPED_TRACE(c.time);
    const WatermarkTiming timing = watermark_timing(c.time);
    EXPECT_EQ(timing.cycle, 0u);
    EXPECT_NEAR(watermark_opacity(timing, 0.48f), 0.48f * c.opacity_share, 1e-6);
    EXPECT_NEAR(timing.spin, c.spin, 1e-5);
    EXPECT_NEAR(timing.angle, c.angle, 1e-5);
  }
}

TEST(WatermarkLayout, ClampsTheConfiguredOpacity) {
  const WatermarkTiming steady = watermark_timing(6 * kSecond);
  EXPECT_FLOAT_EQ(watermark_opacity(steady, 1.7f), 1.0f);
  EXPECT_FLOAT_EQ(watermark_opacity(steady, -0.2f), 0.0f);
  EXPECT_FLOAT_EQ(watermark_opacity(steady, std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(WatermarkLayout, TwelveSecondsStartTheNextCycle) {
  EXPECT_EQ(watermark_timing(12 * kSecond - 1).cycle, 0u);
  const WatermarkTiming next = watermark_timing(12 * kSecond);
  EXPECT_EQ(next.cycle, 1u);
  EXPECT_DOUBLE_EQ(next.seconds, 0.0);
  EXPECT_EQ(watermark_timing(25 * kSecond).cycle, 2u);
  EXPECT_DOUBLE_EQ(watermark_timing(25 * kSecond).seconds, 1.0);
}

TEST(WatermarkLayout, CornerSequenceFollowsTheSeed) {
  // With seed 0 the hash of cycle k is the k-th output of the published
  // SplitMix64 generator seeded with 0: e220a8397b1dcdaf, 6e789e6aa1b965f4,
  // 06c45d188009454f, f88bb8a8724c81ec; the corner is the low two bits.
  using C = WatermarkCorner;
  const C seed_zero[] = {C::kTopLeft, C::kBottomLeft, C::kTopLeft, C::kBottomLeft, C::kTopLeft};
  for (uint64_t k = 0; k < std::size(seed_zero); ++k) {
    EXPECT_EQ(watermark_corner(k, 0), seed_zero[k]) << "cycle " << k;
  }
  const C seed_c0ffee[] = {C::kTopRight, C::kBottomRight, C::kTopRight,   C::kBottomLeft,
                           C::kTopLeft,  C::kTopLeft,     C::kBottomLeft, C::kTopRight};
  for (uint64_t k = 0; k < std::size(seed_c0ffee); ++k) {
    EXPECT_EQ(watermark_corner(k, 0xC0FFEE), seed_c0ffee[k]) << "cycle " << k;
    // The same seed always gives the same corner.
    EXPECT_EQ(watermark_corner(k, 0xC0FFEE), watermark_corner(k, 0xC0FFEE));
  }
}

TEST(WatermarkLayout, PlacesTheMarkInItsCorner) {
  struct Case {
    WatermarkCorner corner;
    float x;
    float y;
  };
  // 1920 x 1080, aspect 4: width min(1080 x 0.38 x 4, 1920 x 0.22) = 422.4,
  // margin 1080 x 0.035 = 37.8, half height 422.4 / 4 / 2 = 52.8.
  const Case cases[] = {
      {WatermarkCorner::kTopLeft, 249.0f, 90.6f},
      {WatermarkCorner::kTopRight, 1671.0f, 90.6f},
      {WatermarkCorner::kBottomRight, 1671.0f, 989.4f},
      {WatermarkCorner::kBottomLeft, 249.0f, 989.4f},
  };
  for (const Case& c : cases) {
    const WatermarkGeometry g = watermark_geometry(1920, 1080, 4.0f, c.corner);
    EXPECT_NEAR(g.width, 422.4f, 1e-3);
    EXPECT_NEAR(g.margin, 37.8f, 1e-4);
    EXPECT_NEAR(g.half_width, 211.2f, 1e-3);
    EXPECT_NEAR(g.half_height, 52.8f, 1e-3);
    EXPECT_NEAR(g.center_x, c.x, 1e-3);
    EXPECT_NEAR(g.center_y, c.y, 1e-3);
  }
}

TEST(WatermarkLayout, SmallOutputsKeepATenPixelMarginAndTallMarksFollowTheHeight) {
  const WatermarkGeometry small = watermark_geometry(200, 100, 1.0f, WatermarkCorner::kTopLeft);
  EXPECT_FLOAT_EQ(small.margin, 10.0f);
  EXPECT_NEAR(small.width, 38.0f, 1e-4);  // 100 x 0.38 x 1 < 200 x 0.22
  EXPECT_NEAR(small.half_height, 19.0f, 1e-4);
}

TEST(WatermarkLayout, ScalesLargeImagesToTheLimit) {
  struct Case {
    uint32_t width, height, expected_width, expected_height;
  };
  const Case cases[] = {
      {4096, 1024, 2048, 512},  {3000, 1, 2048, 1},   {1, 5000, 1, 2048},
      {2048, 2048, 2048, 2048}, {640, 480, 640, 480}, {2049, 3, 2048, 3},
      {4096, 5, 2048, 3},  // 2.5 rounds away from zero
  };
  for (const Case& c : cases) {
    const WatermarkPixelSize size = watermark_image_size(c.width, c.height);
    EXPECT_EQ(size.width, c.expected_width) << c.width << "x" << c.height;
    EXPECT_EQ(size.height, c.expected_height) << c.width << "x" << c.height;
  }
}

TEST(WatermarkLayout, TextBitmapHasABorderAndStaysWithinItsLimits) {
  struct Case {
    float width, height;
    uint32_t expected_width, expected_height;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 64, 64},           {10.0f, 20.0f, 64, 64},        {100.2f, 70.0f, 133, 102},
      {3000.0f, 2000.0f, 2048, 1024}, {2016.0f, 992.0f, 2048, 1024},
  };
  for (const Case& c : cases) {
    const WatermarkPixelSize size = watermark_text_bitmap_size(c.width, c.height);
    EXPECT_EQ(size.width, c.expected_width) << c.width;
    EXPECT_EQ(size.height, c.expected_height) << c.height;
  }
}

}  // namespace
}  // namespace quorvel::windows
