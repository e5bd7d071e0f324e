// A popup menu painted for real on a Surface window with both back ends:
// the card, a checked check item, a checked radio item, a gap, an item with
// a shortcut and a disabled one. Interior pixels are checked against the
// theme; with QUORVEL_CANVAS_PNG_DIR set the window is written as a PNG.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "tests/ui/views/surface_harness.h"
#include "ui/views/menus/menu_view.h"

namespace win32_ui::modern {
namespace {

using testing::SurfaceHarness;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

constexpr int kWidth = 320;
// Five items of 40 and one gap of 12 inside a padding of 6.
constexpr int kHeight = 6 + 5 * 40 + 12 + 6;

Rgb theme_color(int index) {
  const ui::graphics::Color c =
      Theme::to_render_palette(Theme::light(kDefaultAccent)).colors[static_cast<std::size_t>(index)];
  return Rgb{c.r, c.g, c.b};
}

std::vector<MenuEntry> sample_entries() {
  std::vector<MenuEntry> entries(6);
  entries[0] = {1, L"Show cursor", MenuEntry::kMarkCheck, true, true, L"", false};
  entries[1] = {2, L"Full screen", MenuEntry::kMarkRadio, true, true, L"", false};
  entries[2] = {3, L"Window", MenuEntry::kMarkRadio, false, true, L"", false};
  entries[3].separator = true;
  entries[4] = {4, L"Start recording", MenuEntry::kMarkNone, false, true, L"Ctrl+R", false};
  entries[5] = {5, L"Exit", MenuEntry::kMarkNone, false, false, L"", false};
  return entries;
}

class MenuPaintTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment_.result());
    auto menu = std::make_unique<MenuView>(sample_entries(), [](unsigned) {},
                                           MenuLayout{kWidth, 40, 12, 6});
    ASSERT_EQ(menu->preferred_size(), (layout::Size{kWidth, kHeight}));
    harness_.surface.set_backend_preference(GetParam());
    harness_.surface.set_content(std::move(menu));
    ASSERT_TRUE(harness_.attach());
    harness_.update();
    ASSERT_TRUE(harness_.surface.last_paint().painted);
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  SurfaceHarness harness_{kWidth, kHeight, /*animations_on=*/false};
};

TEST_P(MenuPaintTest, MarksRowsAndShortcutFollowTheTheme) {
  DibTarget pixels(kWidth, kHeight);
  harness_.read_back(pixels);
  pixels.save_png_if_asked(GetParam() == 2 ? "menu_gdi" : "menu");

  // A checked row is filled with colour 12 and its box with colour 9 (the
  // tick's glyph covers the middle, and the test fonts may lack it).
  EXPECT_EQ(pixels.pixel(120, 10), theme_color(12)) << "checked row";
  int box_pixels = 0;
  for (int y = 18; y < 34; ++y) {
    for (int x = 22; x < 38; ++x) box_pixels += pixels.pixel(x, y) == theme_color(9) ? 1 : 0;
  }
  EXPECT_GT(box_pixels, 16) << "check box";
  EXPECT_EQ(pixels.pixel(120, 50), theme_color(12)) << "checked radio row";
  // The radio dot at 20 from the start, centred in row 1.
  EXPECT_EQ(pixels.pixel(6 + 20, 66), theme_color(9)) << "radio dot";
  EXPECT_EQ(pixels.pixel(6 + 20, 106), theme_color(1)) << "no dot unchecked";
  // The gap and a plain row show the card.
  EXPECT_EQ(pixels.pixel(120, 6 + 120 + 6), theme_color(1)) << "separator";
  EXPECT_TRUE(pixels.ink(theme_color(1), {kWidth - 14 - 96, 6 + 132, kWidth - 14, 6 + 172}).any)
      << "the shortcut text drew";
  EXPECT_TRUE(pixels.ink(theme_color(1), {22, 6 + 172, 120, 6 + 212}).any)
      << "the disabled label drew";
}

INSTANTIATE_TEST_SUITE_P(Backends, MenuPaintTest, ::testing::Values(0, 2));

}  // namespace
}  // namespace win32_ui::modern
