// The theme hosted controls are painted with: the control background in
// place of the window's, metrics zoomed with rounding, and the one-DIP
// metric never zoomed away.
#include "ui/platform/hosting/native_control_theme.h"

#include <gtest/gtest.h>

#include <limits>

namespace win32_ui::modern {
namespace {

struct ZoomCase {
  std::int32_t dip;
  float zoom;
  std::int32_t expected;
};

TEST(NativeControlThemeTest, ZoomedDipRoundsAndNeverGoesNegative) {
  const ZoomCase cases[] = {
      {8, 1.5f, 12},  {6, 1.25f, 8},  {34, 1.5f, 51}, {3, 0.5f, 2},
      {-4, 1.0f, 0},  {5, std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (const ZoomCase& c : cases) {
    EXPECT_EQ(zoomed_dip(c.dip, c.zoom), c.expected) << c.dip << " x " << c.zoom;
  }
}

TEST(NativeControlThemeTest, UsesTheControlBackgroundAndZoomsEveryMetric) {
  Theme theme = Theme::light(kDefaultAccent);
  for (std::size_t i = 0; i < theme.metrics.size(); ++i) {
    theme.metrics[i] = static_cast<std::int32_t>(10 * (i + 1));
  }
  theme.metrics[static_cast<std::size_t>(ThemeMetric::metric_2)] = 1;
  const Theme native = native_control_theme(theme, 0.5f);
  EXPECT_EQ(native.color(ThemeColor::window_background),
            theme.color(ThemeColor::control_background));
  for (std::size_t i = 1; i < theme.colors.size(); ++i) {
    EXPECT_EQ(native.colors[i], theme.colors[i]) << "colour " << i;
  }
  for (const std::size_t i : {0u, 1u, 3u, 4u, 5u, 6u, 7u}) {
    EXPECT_EQ(native.metrics[i], 5 * static_cast<std::int32_t>(i + 1)) << "metric " << i;
  }
  // Half of one DIP rounds to 1 anyway; a zero stays at least 1.
  EXPECT_EQ(native.metric(ThemeMetric::metric_2), 1);
  theme.metrics[static_cast<std::size_t>(ThemeMetric::metric_2)] = 0;
  EXPECT_EQ(native_control_theme(theme, 1.0f).metric(ThemeMetric::metric_2), 1);
  EXPECT_EQ(native.is_dark, theme.is_dark);
}

}  // namespace
}  // namespace win32_ui::modern
