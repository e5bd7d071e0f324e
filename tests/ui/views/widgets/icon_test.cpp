#include "ui/views/widgets/icon.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/widgets/glyph.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using testing::light_palette;
using testing::Painter;

TEST(IconTest, GlyphsZeroAndTwelveDrawNothingYetMeasure32) {
  for (const int glyph : {0, 12}) {
    Icon icon(glyph);
    EXPECT_EQ(icon.measure({}, {}), (layout::Size{32, 32})) << glyph;
    testing::lay_out(icon, {0, 0, 32, 32});
    Painter painter(light_palette());
    EXPECT_TRUE(painter.paint(icon).empty()) << glyph;
  }
}

TEST(IconTest, DrawsItsGlyphInTheTextColourOrDisabledColour) {
  Icon icon(kGlyphMonitor);
  testing::lay_out(icon, {0, 0, 40, 40});
  Painter painter(light_palette());
  const auto& calls = painter.paint(icon);
  // A rounded screen, its stand and its foot.
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "stroke_round_rect 4.8 8 35.2 29.2 2 " + painter.hex(6) + " 1.5");
  EXPECT_EQ(calls[1], "draw_line 20 29.2 20 35.2 " + painter.hex(6) + " 1.5");

  icon.set_enabled(false);
  for (const auto& line : painter.paint(icon)) {
    EXPECT_NE(line.find(painter.hex(8)), std::string::npos) << line;
  }
}

TEST(IconTest, EveryGlyphKindDrawsSomething) {
  for (int glyph = kGlyphMonitor; glyph <= kGlyphPerson; ++glyph) {
    Icon icon(glyph);
    testing::lay_out(icon, {0, 0, 32, 32});
    Painter painter(light_palette());
    EXPECT_FALSE(painter.paint(icon).empty()) << glyph;
  }
}

TEST(IconTest, SetIconRepaintsOnlyOnChangeAndIsNotExposed) {
  FakeViewHost host;
  Icon icon(kGlyphSun);
  icon.attach_host(&host);
  icon.set_icon(kGlyphSun);
  EXPECT_EQ(host.count(FakeViewHost::Request::kInvalidateRect), 0u);
  icon.set_icon(kGlyphHelp);
  EXPECT_EQ(icon.icon(), kGlyphHelp);
  EXPECT_EQ(host.count(FakeViewHost::Request::kInvalidateRect), 1u);
  icon.attach_host(nullptr);

  ElementInfo info;
  icon.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kImage);
  EXPECT_FALSE(info.exposed);
  EXPECT_FALSE(icon.animates_state());
}

}  // namespace
}  // namespace win32_ui::modern
