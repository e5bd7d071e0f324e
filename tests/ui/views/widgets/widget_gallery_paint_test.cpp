// The ready-made widgets painted for real on a Surface window: buttons in
// their looks and states, toggles, a check box, a radio button, a slider,
// text, a card and an icon. Interior pixels are checked against the theme;
// with QUORVEL_CANVAS_PNG_DIR set the whole window is written as a PNG for
// a look by eye.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "engine/com_apartment.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "tests/ui/views/surface_harness.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/glyph.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/radio_button.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/toggle.h"

namespace win32_ui::modern {
namespace {

using testing::placed;
using testing::SurfaceHarness;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

constexpr int kWidth = 620;
constexpr int kHeight = 300;

template <typename T, typename... Args>
T* add_at(OverlayPanel& panel, float x, float y, float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  view->set_layout_params(placed(x, y, width, height));
  return static_cast<T*>(panel.add_child(std::move(view)));
}

Rgb theme_color(int index) {
  const ui::graphics::Color c =
      Theme::to_render_palette(Theme::light(kDefaultAccent)).colors[static_cast<std::size_t>(index)];
  return Rgb{c.r, c.g, c.b};
}

class WidgetGalleryPaintTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment_.result());
    auto root = std::make_unique<OverlayPanel>();
    add_at<Button>(*root, 10, 10, 160, 44, 1, L"Record", 0);
    add_at<Button>(*root, 180, 10, 160, 44, 2, L"Start", 0)->set_primary(true);
    // Bound to a command while no command table is attached: every relayout
    // input-disables it.
    add_at<Button>(*root, 350, 10, 120, 44, 3, L"Stop", 0)->set_command(99);
    add_at<Button>(*root, 480, 10, 120, 44, 4, L"Flat", 0)->set_flat(true);
    add_at<Button>(*root, 10, 64, 200, 44, 5, L"Screen", kGlyphMonitor);
    add_at<Button>(*root, 220, 64, 260, 44, 6, L"Screenshot", kGlyphRegion)
        ->set_shortcut_text(L"Ctrl+Shift+S");
    add_at<Button>(*root, 490, 64, 110, 70, 7, L"Camera", kGlyphCamera)
        ->set_tall(Button::kLayoutTile);
    add_at<Toggle>(*root, 10, 120, 200, 32, 8, L"Record audio", true);
    add_at<Toggle>(*root, 220, 120, 200, 32, 9, L"Follow mouse", false);
    add_at<CheckBox>(*root, 10, 160, 200, 32, 10, L"Show cursor", true);
    add_at<RadioButton>(*root, 220, 160, 200, 32, 11, L"Full screen", true);
    add_at<Slider>(*root, 10, 200, 200, 30, 12, 0.6f);
    add_at<Card>(*root, 320, 200, 120, 60)->set_selected(true);
    add_at<Icon>(*root, 460, 210, 32, 32, kGlyphSun);
    add_at<Text>(*root, 10, 250, 300, 30, std::wstring(L"Quorvel widgets"), 1, layout::Size{});
    harness_.surface.set_backend_preference(GetParam());
    harness_.surface.set_content(std::move(root));
    ASSERT_TRUE(harness_.attach());
    harness_.update();
    ASSERT_TRUE(harness_.surface.last_paint().painted);
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  SurfaceHarness harness_{kWidth, kHeight, /*animations_on=*/false};
};

TEST_P(WidgetGalleryPaintTest, FillsFollowTheThemeAndTheKnobIsWhite) {
  DibTarget pixels(kWidth, kHeight);
  harness_.read_back(pixels);
  pixels.save_png_if_asked(GetParam() == 2 ? "widget_gallery_gdi" : "widget_gallery");

  EXPECT_EQ(pixels.pixel(20, 16), theme_color(1)) << "normal button fill";
  EXPECT_EQ(pixels.pixel(190, 16), theme_color(9)) << "primary button fill";
  EXPECT_EQ(pixels.pixel(360, 16), theme_color(3)) << "disabled button fill";
  EXPECT_EQ(pixels.pixel(490, 16), pixels.pixel(5, 5)) << "a flat button at rest is bare";
  // The on toggle's track end and knob centre (track 10..54, knob at 42).
  EXPECT_EQ(pixels.pixel(14, 136), theme_color(9));
  EXPECT_EQ(pixels.pixel(42, 136), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixels.pixel(232, 136), (Rgb{255, 255, 255})) << "off knob at the start";
  // The checked box and the selected card.
  EXPECT_EQ(pixels.pixel(13, 169), theme_color(9));
  EXPECT_EQ(pixels.pixel(380, 230), theme_color(12));
  EXPECT_TRUE(pixels.ink(pixels.pixel(5, 5), {10, 250, 310, 280}).any) << "the text drew";
}

INSTANTIATE_TEST_SUITE_P(Backends, WidgetGalleryPaintTest, ::testing::Values(0, 2));

}  // namespace
}  // namespace win32_ui::modern
