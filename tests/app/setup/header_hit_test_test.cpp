#include "app/setup/header_hit_test.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel::windows {
namespace {

using win32_ui::layout::LayoutRect;

// Two 40 x 40 DIP buttons in the band, 8 DIP apart.
const std::vector<LayoutRect> kButtons = {{800.0f, 12.0f, 40.0f, 40.0f},
                                          {848.0f, 12.0f, 40.0f, 40.0f}};

struct HitCase {
  POINT client;
  UINT dpi;
  float zoom;
  LRESULT expected;
};

TEST(HeaderHitTest, TheBandDragsTheWindowExceptOverItsButtons) {
  const HitCase cases[] = {
      // 96 DPI, zoom 0.9: y' = y / 0.9.
      {{100, 7}, 96, 0.9f, HTCLIENT},      // 7.8: above the band
      {{100, 8}, 96, 0.9f, HTCAPTION},     // 8.9
      {{100, 55}, 96, 0.9f, HTCAPTION},    // 61.1
      {{100, 56}, 96, 0.9f, HTCLIENT},     // 62.2: below the band
      {{738, 30}, 96, 0.9f, HTCLIENT},     // x' 820 over the first button
      {{759, 30}, 96, 0.9f, HTCAPTION},    // x' 843.3 between the buttons
      {{780, 30}, 96, 0.9f, HTCLIENT},     // x' 866.7 over the second
      // 144 DPI, zoom 0.9: s = 1.35.
      {{100, 10}, 144, 0.9f, HTCLIENT},    // 7.4
      {{100, 11}, 144, 0.9f, HTCAPTION},   // 8.1
      {{100, 83}, 144, 0.9f, HTCAPTION},   // 61.5
      {{100, 84}, 144, 0.9f, HTCLIENT},    // 62.2
      {{1107, 30}, 144, 0.9f, HTCLIENT},   // x' 820
      {{1139, 30}, 144, 0.9f, HTCAPTION},  // x' 843.7
  };
  for (const HitCase& c : cases) {
    EXPECT_EQ(header_hit_test(c.client, c.dpi, c.zoom, kButtons), c.expected)
        << c.client.x << "," << c.client.y << " at " << c.dpi;
  }
}

TEST(HeaderHitTest, ButtonEdgesCountFromTheLeftAndTopInclusive) {
  const std::vector<LayoutRect> button = {{100.0f, 20.0f, 10.0f, 10.0f}};
  EXPECT_EQ(header_hit_test({100, 20}, 96, 1.0f, button), HTCLIENT);
  EXPECT_EQ(header_hit_test({110, 25}, 96, 1.0f, button), HTCAPTION);
  EXPECT_EQ(header_hit_test({105, 30}, 96, 1.0f, button), HTCAPTION);
}

TEST(HeaderHitTest, ANonPositiveScaleIsOrdinaryClientArea) {
  EXPECT_EQ(header_hit_test({100, 30}, 0, 0.9f, kButtons), HTCLIENT);
  EXPECT_EQ(header_hit_test({100, 30}, 96, 0.0f, kButtons), HTCLIENT);
}

}  // namespace
}  // namespace quorvel::windows
