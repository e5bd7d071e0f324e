// The link button keeps the Button's own label empty and draws its link
// text in the accent colour, or the disabled colour.
#include "app/setup/link_button.h"

#include <gtest/gtest.h>

#include "app/setup/view_factories.h"
#include "tests/app/setup/view_painter.h"

namespace quorvel::windows {
namespace {

using test::palette_rgb;
using win32_ui::Theme;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;

constexpr RECT kWhole{0, 0, 240, 36};

TEST(LinkButton, KeepsTheLinkTextApartFromTheButtonLabel) {
  auto link = make_link_button(51, L"Open the account page");
  EXPECT_TRUE(link->text().empty());
  EXPECT_EQ(link->link_text(), L"Open the account page");
  EXPECT_EQ(link->control_id(), 51);
  EXPECT_TRUE(link->is_flat());
  win32_ui::modern::ElementInfo info;
  link->describe_element(info);
  EXPECT_EQ(info.name, L"Open the account page");
  int invoked = 0;
  link->on_invoked([&] { ++invoked; });
  LinkButton& button = *link;
  test::RootedView rooted(std::move(link));
  button.activate(win32_ui::modern::kInputPointer);
  EXPECT_EQ(invoked, 1);
}

TEST(LinkButton, DrawsTheLinkInTheAccentColourOnly) {
  for (const Theme& theme :
       {Theme::light(win32_ui::kDefaultAccent), Theme::dark(win32_ui::kDefaultAccent)}) {
    SCOPED_TRACE(theme.is_dark ? "dark" : "light");
    LinkButton link(51, L"Support page");
    DibTarget target(240, 36, palette_rgb(theme, 1));
    ASSERT_TRUE(test::paint_view(link, theme, target));
    EXPECT_GT(test::count_pixels(target, kWhole, palette_rgb(theme, 9)), 0);
    EXPECT_EQ(test::count_pixels(target, kWhole, palette_rgb(theme, 8)), 0);
    EXPECT_EQ(test::count_pixels(target, kWhole, palette_rgb(theme, 10)), 0);
  }
}

TEST(LinkButton, DisabledDrawsTheDisabledColour) {
  const Theme theme = Theme::light(win32_ui::kDefaultAccent);
  LinkButton link(51, L"Support page");
  link.set_enabled(false);
  DibTarget target(240, 36, palette_rgb(theme, 1));
  ASSERT_TRUE(test::paint_view(link, theme, target));
  EXPECT_GT(test::count_pixels(target, kWhole, palette_rgb(theme, 8)), 0);
  EXPECT_EQ(test::count_pixels(target, kWhole, palette_rgb(theme, 9)), 0);
}

TEST(LinkButton, PressedDrawsThePressedColour) {
  const Theme theme = Theme::light(win32_ui::kDefaultAccent);
  LinkButton link(51, L"Support page");
  DibTarget target(240, 36, palette_rgb(theme, 1));
  test::PaintStates states;
  states.pressed = &link;
  ASSERT_TRUE(test::paint_view(link, theme, target, states));
  EXPECT_GT(test::count_pixels(target, kWhole, palette_rgb(theme, 10)), 0);
  EXPECT_EQ(test::count_pixels(target, kWhole, palette_rgb(theme, 9)), 0);
}

}  // namespace
}  // namespace quorvel::windows
