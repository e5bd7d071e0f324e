#include "ui/views/widgets/radio_button.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/views/widgets/widget_fixture.h"

namespace win32_ui::modern {
namespace {

using testing::light_palette;
using testing::Painter;

TEST(RadioButtonDrawTest, ACircleThatGetsAnAccentDotWhenSelected) {
  RadioButton radio(1, L"Small", false);
  testing::lay_out(radio, {0, 0, 200, 32});
  Painter painter(light_palette());
  auto calls = painter.paint(radio);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "fill_ellipse 0 6 20 26 " + painter.hex(1));
  EXPECT_EQ(calls[1], "stroke_ellipse 0 6 20 26 " + painter.hex(5) + " 1.5");
  EXPECT_EQ(calls[2].rfind("draw_text \"Small\" 30 0 200 32 ", 0), 0u) << calls[2];

  radio.set_checked(true);
  calls = painter.paint(radio);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1], "stroke_ellipse 0 6 20 26 " + painter.hex(9) + " 1.5");
  EXPECT_EQ(calls[2], "fill_ellipse 5 11 15 21 " + painter.hex(9));
}

TEST(RadioButtonMeasureTest, LeavesRoomForTheCircle) {
  EXPECT_EQ(RadioButton(1, L"", false).measure({}, {}), (layout::Size{30, 32}));
  EXPECT_EQ(RadioButton(1, L"ab", false).measure({}, {}), (layout::Size{46, 32}));
}

}  // namespace
}  // namespace win32_ui::modern
