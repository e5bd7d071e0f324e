#include "ui/views/widgets/check_box.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeViewHost;
using testing::light_palette;
using testing::Painter;

TEST(CheckBoxDrawTest, ATwentyDipBoxWithRadiusFourBeforeTheLabel) {
  CheckBox box(1, L"Remember", false);
  testing::lay_out(box, {0, 0, 200, 32});
  Painter painter(light_palette());
  painter.setup.scale = 2.0f;
  const auto& calls = painter.paint(box);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "fill_round_rect 0 12 40 52 8 " + painter.hex(1));
  EXPECT_EQ(calls[1], "stroke_round_rect 1 13 39 51 8 " + painter.hex(5) + " 2");
  EXPECT_EQ(calls[2], "draw_text \"Remember\" 56 0 400 64 font 3 " + painter.hex(6) +
                          " align 0 1 single ellipsis dir 0");
}

TEST(CheckBoxDrawTest, TheCheckMarkAppearsOnceTheAnimationPassesHalf) {
  FakeViewHost host;
  CheckBox box(1, L"Remember", false);
  box.attach_host(&host);
  testing::lay_out(box, {0, 0, 200, 32});
  Painter painter(light_palette());
  box.set_checked(true);

  host.advance(20ms);
  EXPECT_EQ(painter.paint(box).size(), 3u) << "no mark below one half";
  host.advance(40ms);
  const auto& calls = painter.paint(box);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[2], "draw_line 5 16 9 20 " + painter.hex(13) + " 2");
  EXPECT_EQ(calls[3], "draw_line 9 20 16 12 " + painter.hex(13) + " 2");
  host.advance(1s);
  EXPECT_EQ(painter.paint(box)[0], "fill_round_rect 0 6 20 26 4 " + painter.hex(9));
  box.attach_host(nullptr);
}

TEST(CheckBoxDrawTest, TheFocusRingNeedsKeyboardCues) {
  CheckBox box(1, L"Remember", false);
  box.set_focused(true);
  testing::lay_out(box, {0, 0, 200, 32});
  Painter painter(light_palette());
  painter.setup.focused = &box;
  EXPECT_EQ(painter.paint(box).size(), 3u);
  painter.setup.keyboard_cues = true;
  const auto& calls = painter.paint(box);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[3].rfind("stroke_round_rect -3 -3 203 35 11 ", 0), 0u) << calls[3];
}

TEST(CheckBoxDrawTest, RightToLeftPutsTheBoxAtTheRightEdge) {
  CheckBox box(1, L"Remember", false);
  testing::lay_out(box, {0, 0, 200, 32});
  Painter painter(light_palette());
  painter.setup.right_to_left = true;
  const auto& calls = painter.paint(box);
  EXPECT_EQ(calls[0], "fill_round_rect 180 6 200 26 4 " + painter.hex(1));
  EXPECT_NE(calls[2].find("\" 0 0 172 32 "), std::string::npos) << calls[2];
}

TEST(CheckBoxMeasureTest, LeavesRoomForTheBox) {
  EXPECT_EQ(CheckBox(1, L"", false).measure({}, {}), (layout::Size{28, 32}));
  // "ab" estimates to 16 x 18.
  EXPECT_EQ(CheckBox(1, L"ab", false).measure({}, {}), (layout::Size{44, 32}));
  testing::FixedTextMeasurer tall(layout::Size{10, 40});
  layout::LayoutContext context;
  context.text_measurer = &tall;
  EXPECT_EQ(CheckBox(1, L"ab", false).measure({}, context), (layout::Size{38, 40}));
}

}  // namespace
}  // namespace win32_ui::modern
