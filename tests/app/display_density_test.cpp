#include "app/display_density.h"

#include <gtest/gtest.h>

namespace quorvel::windows {
namespace {

TEST(DisplayDensity, OnlyBelievableRawDpiIsMeasured) {
  struct Case {
    uint32_t x, y;
    bool measured;
  };
  for (const Case& c : {Case{96, 60, false}, Case{44, 44, false}, Case{1000, 1000, true},
                        Case{1001, 1001, false}, Case{45, 45, true}, Case{100, 80, true},
                        Case{100, 79, false}}) {
    const DisplayDensity density = display_density_from_raw_dpi(c.x, c.y);
    EXPECT_EQ(density.measured, c.measured) << c.x << " x " << c.y;
    if (c.measured) {
      EXPECT_DOUBLE_EQ(density.horizontal, c.x / 25.4);
      EXPECT_DOUBLE_EQ(density.vertical, c.y / 25.4);
    }
  }
}

TEST(DisplayDensity, MillimetresBecomeClampedPixels) {
  struct Case {
    DisplayDensity density;
    uint32_t dpi;
    double millimetres;
    std::pair<int32_t, int32_t> pixels;
  };
  const DisplayDensity unmeasured{};
  const DisplayDensity measured{200 / 25.4, 100 / 25.4, true};
  for (const Case& c : {
           Case{unmeasured, 0, 2, {8, 8}},     // 96 / 25.4 x 2 = 7.56
           Case{unmeasured, 960, 5, {48, 48}}, // 189 clamped
           Case{unmeasured, 960, 10, {48, 48}},
           Case{unmeasured, 96, 0.1, {5, 5}},   // as 0.5 mm: 1.9, clamped up
           Case{unmeasured, 480, 0.1, {9, 9}},  // as 0.5 mm: 9.45
           Case{measured, 0, 2, {16, 8}},       // its own densities, dpi unused
       }) {
    EXPECT_EQ(millimetres_to_pixels(c.density, c.dpi, c.millimetres), c.pixels)
        << c.dpi << " dpi, " << c.millimetres << " mm";
  }
}

TEST(DisplayDensity, RealMonitorReportsItsRawDpi) {
  EXPECT_FALSE(read_display_density(nullptr).measured);
  const HMONITOR monitor = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  ASSERT_NE(monitor, nullptr);
  const DisplayDensity density = read_display_density(monitor);
  // Wine reports 96 x 96.
  EXPECT_TRUE(density.measured);
  EXPECT_NEAR(density.horizontal, 3.77953, 1e-5);
  EXPECT_NEAR(density.vertical, 3.77953, 1e-5);
}

}  // namespace
}  // namespace quorvel::windows
