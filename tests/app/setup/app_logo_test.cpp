// The logo draws the logo picture into a centred square of at most 30 DIP.
#include "app/setup/app_logo.h"

#include <gtest/gtest.h>

#include "tests/app/setup/view_painter.h"

namespace quorvel::windows {
namespace {

using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;

// The target's pixels start transparent, which Direct2D writes back as
// black where nothing is drawn.
constexpr Rgb kOutside{0, 0, 0};

TEST(AppLogo, DrawsOnlyInsideTheCentredSquare) {
  AppLogo logo;
  DibTarget target(40, 60, kOutside);
  ASSERT_TRUE(test::paint_view(logo, win32_ui::Theme::light(win32_ui::kDefaultAccent), target));
  target.save_png_if_asked("app_logo.png");
  const auto ink = target.ink(kOutside);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, 5);
  EXPECT_GE(ink.top, 15);
  EXPECT_LE(ink.right, 35);
  EXPECT_LE(ink.bottom, 45);
  // The mark's centre is drawn.
  EXPECT_NE(target.pixel(20, 30), kOutside);
}

TEST(AppLogo, ShrinksToASmallerView) {
  AppLogo logo;
  DibTarget target(20, 12, kOutside);
  ASSERT_TRUE(test::paint_view(logo, win32_ui::Theme::dark(win32_ui::kDefaultAccent), target));
  const auto ink = target.ink(kOutside);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, 4);
  EXPECT_LE(ink.right, 16);
}

}  // namespace
}  // namespace quorvel::windows
