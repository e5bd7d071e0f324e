// The body and header surfaces and the separators paint exact palette
// colours in the light, dark and high-contrast themes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/setup/body_surface.h"
#include "app/setup/chrome_surface.h"
#include "app/setup/separator.h"
#include "app/setup/view_factories.h"
#include "tests/app/setup/view_painter.h"

namespace quorvel::windows {
namespace {

using test::palette_rgb;
using win32_ui::Theme;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;

Rgb fill_of(win32_ui::modern::View& view, const Theme& theme) {
  DibTarget target(24, 12, Rgb{255, 0, 255});
  EXPECT_TRUE(test::paint_view(view, theme, target));
  const Rgb centre = target.pixel(12, 6);
  EXPECT_EQ(target.pixel(0, 0), centre);
  EXPECT_EQ(target.pixel(23, 11), centre);
  return centre;
}

struct SurfaceCase {
  const char* name;
  std::function<std::unique_ptr<win32_ui::modern::View>()> make;
  Rgb light;
  Rgb dark;
  int high_contrast_index;
};

TEST(SurfaceViews, FillWithTheirThemeColours) {
  const SurfaceCase cases[] = {
      {"body", [] { return make_body_surface(); }, {0xF7, 0xF8, 0xFA}, {0x1F, 0x22, 0x27}, 0},
      {"chrome", [] { return make_chrome_surface(); }, {0xF7, 0xF8, 0xFA}, {0x22, 0x25, 0x2A}, 0},
      {"subtle separator", [] { return make_separator(true); }, {0xCD, 0xD3, 0xDB},
       {0x1D, 0x20, 0x25}, 4},
      {"separator", [] { return make_separator(false); }, {0xCD, 0xD3, 0xDB},
       {0x48, 0x4E, 0x57}, 4},
  };
  const Theme high_contrast = Theme::high_contrast();
  ASSERT_TRUE(high_contrast.is_high_contrast);
  for (const SurfaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto view = c.make();
    EXPECT_EQ(fill_of(*view, Theme::light(win32_ui::kDefaultAccent)), c.light);
    EXPECT_EQ(fill_of(*view, Theme::dark(win32_ui::kDefaultAccent)), c.dark);
    EXPECT_EQ(fill_of(*view, high_contrast), palette_rgb(high_contrast, c.high_contrast_index));
  }
}

TEST(SurfaceViews, DarkShadesStopAtZero) {
  Theme theme = Theme::dark(win32_ui::kDefaultAccent);
  theme.colors[1] = RGB(2, 3, 200);
  BodySurface body;
  EXPECT_EQ(fill_of(body, theme), (Rgb{0, 0, 197}));
  theme.colors[1] = RGB(5, 6, 200);
  Separator subtle(true);
  EXPECT_EQ(fill_of(subtle, theme), (Rgb{0, 1, 195}));
  ChromeSurface chrome;
  EXPECT_EQ(fill_of(chrome, theme), (Rgb{5, 6, 200}));
}

TEST(SurfaceViews, HighContrastDarkPaletteKeepsColourZero) {
  Theme theme = Theme::dark(win32_ui::kDefaultAccent);
  theme.is_high_contrast = true;
  BodySurface body;
  EXPECT_EQ(fill_of(body, theme), palette_rgb(theme, 0));
  Separator subtle(true);
  EXPECT_EQ(fill_of(subtle, theme), palette_rgb(theme, 4));
}

}  // namespace
}  // namespace quorvel::windows
