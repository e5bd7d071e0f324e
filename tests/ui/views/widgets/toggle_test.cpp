#include "ui/views/widgets/toggle.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeCanvas;
using testing::dark_palette;
using testing::light_palette;
using testing::Painter;

TEST(ToggleDrawTest, TrackIs44By24AndTheKnobSlidesWithTheState) {
  Toggle toggle(1, L"Wi-Fi", false);
  testing::lay_out(toggle, {0, 0, 200, 32});
  Painter painter(light_palette());
  auto calls = painter.paint(toggle);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "fill_round_rect 0 4 44 28 12 " + painter.hex(5));
  EXPECT_EQ(calls[1], "fill_ellipse 3 7 21 25 #ffffff");
  EXPECT_EQ(calls[2].rfind("draw_text \"Wi-Fi\" 56 0 200 32 font 3 ", 0), 0u) << calls[2];

  toggle.set_checked(true);  // no host: no animation
  calls = painter.paint(toggle);
  EXPECT_EQ(calls[0], "fill_round_rect 0 4 44 28 12 " + painter.hex(9));
  EXPECT_EQ(calls[1], "fill_ellipse 23 7 41 25 #ffffff");
}

TEST(ToggleDrawTest, WithoutInputTheTrackIsColourThreeWithoutHoverTint) {
  Toggle toggle(1, L"Wi-Fi", true);
  testing::lay_out(toggle, {0, 0, 200, 32});
  Painter painter(light_palette());
  painter.setup.hovered = &toggle;
  const std::string tinted = painter.paint(toggle)[0];
  EXPECT_EQ(tinted, "fill_round_rect 0 4 44 28 12 " +
                        FakeCanvas::format(mix_color(painter.color(9), painter.color(10), 0.18f)));

  toggle.set_input_enabled(false);
  const auto& calls = painter.paint(toggle);
  EXPECT_EQ(calls[0], "fill_round_rect 0 4 44 28 12 " + painter.hex(3));
  EXPECT_NE(calls[2].find(painter.hex(8)), std::string::npos) << "the label greys out";
}

TEST(ToggleDrawTest, TheKnobIsWhiteInEveryTheme) {
  for (const ui::graphics::RenderPalette& palette :
       {light_palette(), dark_palette(), light_palette(true), dark_palette(true)}) {
    Toggle toggle(1, L"", true);
    testing::lay_out(toggle, {0, 0, 100, 32});
    Painter painter(palette);
    EXPECT_EQ(painter.paint(toggle)[1], "fill_ellipse 23 7 41 25 #ffffff");
  }
}

TEST(ToggleMeasureTest, LeavesRoomForTheTrack) {
  EXPECT_EQ(Toggle(1, L"", false).measure({}, {}), (layout::Size{56, 32}));
  EXPECT_EQ(Toggle(1, L"ab", false).measure({}, {}), (layout::Size{72, 32}));
}

}  // namespace
}  // namespace win32_ui::modern
