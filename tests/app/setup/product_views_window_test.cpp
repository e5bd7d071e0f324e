// A setup-window-like tree of the product views shown on a real window
// through the toolkit's Surface, in the light and the dark theme: the
// surfaces and the separator keep their colours on screen, and the logo,
// link and picker draw inside their places. With QUORVEL_CANVAS_PNG_DIR set
// the window is saved as a PNG to look at.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/setup/app_logo.h"
#include "app/setup/view_factories.h"
#include "app/setup/watermark_image_picker.h"
#include "tests/app/setup/view_painter.h"
#include "ui/views/stack_panel.h"
#include "ui/views/surface.h"

namespace quorvel::windows {
namespace {

using win32_ui::Theme;
using win32_ui::layout::GridLength;
using win32_ui::modern::View;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::PopupWindow;
using win32_ui::ui::graphics::test::Rgb;

constexpr int kWidth = 480;
constexpr int kHeight = 340;

std::unique_ptr<View> header() {
  auto band = make_overlay_panel();
  band->add_child(make_chrome_surface());
  auto row = make_grid_panel({GridLength::fixed(48.0f), GridLength::star(1.0f),
                              GridLength::fixed(150.0f)},
                             {GridLength::star(1.0f)});
  row->add_child(std::make_unique<AppLogo>(), {0, 0, 1, 1});
  row->add_child(make_caption(L"New recording", 2), {1, 0, 1, 1});
  row->add_child(make_link_button(90, L"Account page"), {2, 0, 1, 1});
  band->add_child(std::move(row));
  return band;
}

std::unique_ptr<View> body() {
  auto area = make_overlay_panel();
  area->add_child(make_body_surface());
  auto column = std::make_unique<win32_ui::modern::StackPanel>(
      1, 8.0f, win32_ui::layout::Thickness{16.0f, 12.0f, 16.0f, 12.0f});
  column->add_child(make_card_container(make_text(L"Watermark image", 2, 0, true), 0));
  column->add_child(std::make_unique<WatermarkImagePicker>(
      L"", L"Choose an image", L"Drop it here", L"PNG, JPEG or BMP"));
  column->add_child(make_labelled_slider(60, L"Opacity", 61, 0.6f, true, nullptr));
  area->add_child(std::move(column));
  return area;
}

std::unique_ptr<View> setup_window_tree() {
  auto root = make_grid_panel({GridLength::star(1.0f)},
                              {GridLength::fixed(48.0f), GridLength::fixed(1.0f),
                               GridLength::star(1.0f)});
  root->add_child(header(), {0, 0, 1, 1});
  root->add_child(make_separator(false), {0, 1, 1, 1});
  root->add_child(body(), {0, 2, 1, 1});
  return root;
}

struct ThemeCase {
  const char* name;
  Theme theme;
  Rgb chrome;
  Rgb separator;
  Rgb body;
};

TEST(ProductViewsWindow, ShowsTheSurfacesInTheirColours) {
  const ThemeCase cases[] = {
      {"light", Theme::light(win32_ui::kDefaultAccent), {0xF7, 0xF8, 0xFA}, {0xCD, 0xD3, 0xDB},
       {0xF7, 0xF8, 0xFA}},
      {"dark", Theme::dark(win32_ui::kDefaultAccent), {0x22, 0x25, 0x2A}, {0x48, 0x4E, 0x57},
       {0x1F, 0x22, 0x27}},
  };
  for (const ThemeCase& c : cases) {
    SCOPED_TRACE(c.name);
    PopupWindow window(20, 20, kWidth, kHeight);
    win32_ui::modern::Surface surface;
    ASSERT_TRUE(surface.attach(window.hwnd(), c.theme));
    surface.set_content(setup_window_tree());
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    DibTarget shown(kWidth, kHeight);
    window.read_back(shown);
    shown.save_png_if_asked(std::string("product_views_") + c.name + ".png");

    EXPECT_EQ(shown.pixel(240, 4), c.chrome);
    EXPECT_EQ(shown.pixel(240, 48), c.separator);
    EXPECT_EQ(shown.pixel(kWidth - 6, kHeight - 4), c.body);
    // The logo's tile sits centred in its 48 x 48 cell.
    EXPECT_NE(shown.pixel(24, 24), c.chrome);
    EXPECT_EQ(shown.pixel(2, 2), c.chrome);
    // The link text is drawn in the accent colour.
    EXPECT_GT(test::count_pixels(shown, {kWidth - 150, 0, kWidth, 48},
                                 test::palette_rgb(c.theme, 9)),
              0);
    surface.detach();
  }
}

}  // namespace
}  // namespace quorvel::windows
