// Building a menu, its clamped layout, and its items' marks, drawing and
// description, without a window.
#include "ui/views/menus/menu_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/grid_panel.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeViewHost;
using testing::light_palette;
using testing::Painter;

MenuEntry item(int id, std::wstring text) {
  MenuEntry entry;
  entry.command_id = id;
  entry.text = std::move(text);
  return entry;
}

MenuEntry separator() {
  MenuEntry entry;
  entry.separator = true;
  return entry;
}

const GridPanel& grid_of(const MenuView& menu) {
  const auto* overlay = dynamic_cast<const ViewGroup*>(menu.content());
  return *dynamic_cast<const GridPanel*>(overlay->child_at(1));
}

TEST(MenuLayoutTest, ItemsAndSeparatorsGiveTheRowsAndTheHeight) {
  MenuView menu({item(1, L"A"), separator(), item(2, L"B")}, {}, {200, 40, 12, 6});
  EXPECT_FLOAT_EQ(menu.total_height(), 104.0f);
  EXPECT_EQ(menu.preferred_size(), (layout::Size{200, 104}));
  ASSERT_EQ(menu.item_count(), 2u);
  const auto& rows = grid_of(menu).rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_FLOAT_EQ(rows[0].value, 40.0f);
  EXPECT_FLOAT_EQ(rows[1].value, 12.0f);
  EXPECT_FLOAT_EQ(rows[2].value, 40.0f);
  EXPECT_EQ(grid_of(menu).cells()[1].row, 2u) << "B sits in the row after the gap";
}

TEST(MenuLayoutTest, BadNumbersAreClampedNeverRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    MenuLayout given;
    MenuLayout clamped;
    float preferred_height;  // with no entries
  } cases[] = {
      {{200, 40, 12, 6}, {200, 40, 12, 6}, 12},
      {{200, 40, 12, 0}, {200, 40, 12, 0}, 1},
      {{0, 40, -5, -3}, {1, 40, 0, 0}, 1},
      {{-10, 0, 12, 2}, {1, 1, 12, 2}, 4},
      {{nan, nan, nan, nan}, {1, 1, 0, 0}, 1},
  };
  for (const auto& c : cases) {
    MenuView menu({}, {}, c.given);
    EXPECT_FLOAT_EQ(menu.layout().width, c.clamped.width);
    EXPECT_FLOAT_EQ(menu.layout().item_height, c.clamped.item_height);
    EXPECT_FLOAT_EQ(menu.layout().separator_height, c.clamped.separator_height);
    EXPECT_FLOAT_EQ(menu.layout().padding, c.clamped.padding);
    EXPECT_FLOAT_EQ(menu.preferred_size().height, c.preferred_height);
    EXPECT_FLOAT_EQ(menu.preferred_size().width, c.clamped.width);
  }
  MenuView with_gap({separator()}, {}, {100, 40, -4, 0});
  EXPECT_FLOAT_EQ(with_gap.preferred_size().height, 1.0f) << "a negative gap counts as 0";
}

TEST(MenuViewTest, EntriesBecomeItemsWithTheirIdsMarksAndStates) {
  MenuEntry check = item(7, L"Mute");
  check.mark = MenuEntry::kMarkCheck;
  check.checked = true;
  check.shortcut = L"Ctrl+M";
  MenuEntry off = item(8, L"Off");
  off.enabled = false;
  MenuView menu({check, separator(), off}, {});
  ASSERT_EQ(menu.item_count(), 2u);
  const MenuItem& first = *menu.item_at(0);
  EXPECT_EQ(first.control_id(), 7);
  EXPECT_EQ(first.text(), L"Mute");
  EXPECT_EQ(first.mark(), MenuEntry::kMarkCheck);
  EXPECT_TRUE(first.is_checked());
  EXPECT_EQ(first.shortcut_text(), L"Ctrl+M");
  EXPECT_EQ(first.kind(), kWidgetButton);
  EXPECT_EQ(first.default_size(), (layout::Size{0, 40}));
  EXPECT_FALSE(menu.item_at(1)->is_enabled());
  EXPECT_EQ(menu.item_at(2), nullptr);
}

TEST(MenuItemTest, AStandAloneItemHasNoMarkAndDescribesAsAButton) {
  MenuItem alone(3, L"Open", false);
  EXPECT_EQ(alone.mark(), MenuEntry::kMarkNone);
  ElementInfo info;
  alone.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kButton);
  EXPECT_FALSE(info.toggle_state.has_value());
  EXPECT_EQ(info.name, L"Open");
  EXPECT_TRUE(info.has_flag(ElementAction::kInvoke));

  testing::lay_out(alone, {0, 0, 200, 40});
  Painter painter(light_palette());
  painter.paint(alone);
  EXPECT_TRUE(painter.calls_starting("stroke_ellipse").empty()) << "no radio circle";
  EXPECT_TRUE(painter.calls_starting("stroke_round_rect").empty()) << "no check box";
}

TEST(MenuItemTest, MarksDescribeAsCheckBoxOrRadioButtonWithTheirState) {
  const struct {
    int mark;
    bool checked;
    ElementRole role;
  } cases[] = {{MenuEntry::kMarkCheck, true, ElementRole::kCheckBox},
               {MenuEntry::kMarkCheck, false, ElementRole::kCheckBox},
               {MenuEntry::kMarkRadio, true, ElementRole::kRadioButton},
               {MenuEntry::kMarkRadio, false, ElementRole::kRadioButton}};
  for (const auto& c : cases) {
    MenuItem menu_item(1, L"x", c.checked);
    menu_item.set_mark(c.mark);
    ElementInfo info;
    menu_item.describe_element(info);
    EXPECT_EQ(info.role, c.role) << c.mark;
    ASSERT_TRUE(info.toggle_state.has_value());
    EXPECT_EQ(*info.toggle_state, c.checked);
  }
}

TEST(MenuItemTest, AShortcutJoinsTheHelpText) {
  MenuItem with_shortcut(1, L"Record", false);
  with_shortcut.set_shortcut_text(L"Ctrl+R");
  ElementInfo info;
  with_shortcut.describe(info);
  EXPECT_EQ(info.help_text, L"快捷键 Ctrl+R");

  ElementInfo holding;
  holding.help_text = L"Open";
  with_shortcut.describe(holding);
  EXPECT_EQ(holding.help_text, L"Open；快捷键 Ctrl+R");

  MenuItem without(2, L"Stop", false);
  ElementInfo unchanged;
  unchanged.help_text = L"Open";
  without.describe(unchanged);
  EXPECT_EQ(unchanged.help_text, L"Open");
}

TEST(MenuItemTest, ACheckMarkShowsAtOnceWhenChecked) {
  FakeViewHost host;
  MenuItem check(1, L"Mute", false);
  check.set_mark(MenuEntry::kMarkCheck);
  check.attach_host(&host);
  testing::lay_out(check, {0, 0, 200, 40});
  Painter painter(light_palette());
  painter.paint(check);
  EXPECT_TRUE(painter.calls_starting("draw_text \"\u2713\"").empty());
  const auto box = painter.calls_starting("stroke_round_rect");
  ASSERT_EQ(box.size(), 1u);
  EXPECT_EQ(box[0], "stroke_round_rect 16 12 32 28 3 " + painter.hex(5) + " 1.2");

  check.set_checked(true);
  painter.paint(check);
  const auto mark = painter.calls_starting("draw_text \"\u2713\"");
  ASSERT_EQ(mark.size(), 1u) << "before any animation time passed";
  EXPECT_EQ(mark[0].rfind("draw_text \"\u2713\" 16 12 32 28 font 3 " + painter.hex(13), 0), 0u)
      << mark[0];
  const auto label = painter.calls_starting("draw_text \"Mute\"");
  ASSERT_EQ(label.size(), 1u);
  EXPECT_EQ(label[0].rfind("draw_text \"Mute\" 40 0 200 40 font 3 " + painter.hex(6), 0), 0u)
      << label[0];
  check.attach_host(nullptr);
}

TEST(MenuItemTest, ARadioDotShowsOnceTheCheckedProgressPassesHalf) {
  FakeViewHost host;
  MenuItem radio(1, L"Small", false);
  radio.set_mark(MenuEntry::kMarkRadio);
  radio.attach_host(&host);
  testing::lay_out(radio, {0, 0, 200, 40});
  Painter painter(light_palette());
  radio.set_checked(true);
  painter.paint(radio);
  EXPECT_TRUE(painter.calls_starting("fill_ellipse").empty()) << "progress still 0";

  // Step until the progress passes one half; the dot follows it exactly.
  bool dot_seen = false;
  for (int step = 0; step < 40 && !dot_seen; ++step) {
    host.advance(10ms);
    const float progress = radio.interaction_progress(ui::graphics::kStateChecked);
    painter.paint(radio);
    const bool dot = !painter.calls_starting("fill_ellipse 16.5 16.5 23.5 23.5").empty();
    EXPECT_EQ(dot, progress > 0.5f) << "progress " << progress;
    dot_seen = dot;
  }
  EXPECT_TRUE(dot_seen);
  radio.attach_host(nullptr);
}

TEST(MenuItemTest, AShortcutIsDrawnAtTheEndAndShortensTheLabel) {
  MenuItem with_shortcut(1, L"Record", false);
  with_shortcut.set_shortcut_text(L"Ctrl+R");
  testing::lay_out(with_shortcut, {0, 0, 200, 40});
  Painter painter(light_palette());
  painter.paint(with_shortcut);
  // 0.48 x 200 = 96 wide, ending 14 before the right edge.
  const auto shortcut = painter.calls_starting("draw_text \"Ctrl+R\"");
  ASSERT_EQ(shortcut.size(), 1u);
  EXPECT_EQ(shortcut[0].rfind("draw_text \"Ctrl+R\" 90 0 186 40 font 3 " + painter.hex(7) +
                                  " align 2 1",
                              0),
            0u)
      << shortcut[0];
  const auto label = painter.calls_starting("draw_text \"Record\"");
  ASSERT_EQ(label.size(), 1u);
  EXPECT_EQ(label[0].rfind("draw_text \"Record\" 16 0 82 40 ", 0), 0u) << label[0];
}

}  // namespace
}  // namespace win32_ui::modern
