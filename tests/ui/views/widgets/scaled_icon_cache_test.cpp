// The button's scaled icon copies: made once per drawn size, only for
// pictures larger than their box, dropped with new images. Scaled pixels
// are not checked (the platform scaler differs between systems).
#include "ui/views/widgets/scaled_icon_cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/widgets/button.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using testing::dark_palette;
using testing::light_palette;
using testing::Painter;
using ui::graphics::Image;

Image square(std::uint32_t side) {
  const std::vector<std::uint8_t> pixels(side * side * 4, 0xFF);
  Image image;
  EXPECT_EQ(Image::from_pixels(side, side, side * 4, pixels, image), S_OK);
  return image;
}

class ButtonIconTest : public ::testing::Test {
 protected:
  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
};

TEST_F(ButtonIconTest, ALargeImageIsScaledOnceAndReused) {
  Button button(1, L"Record", 0);
  button.set_icon_images(square(64), {});
  testing::lay_out(button, {0, 0, 200, 44});
  Painter painter(light_palette());

  painter.paint(button);
  const ScaledIconCache& cache = button.light_icon_cache();
  ASSERT_TRUE(cache.scaled().valid());
  EXPECT_EQ(cache.scaled().width(), 32u);
  EXPECT_EQ(cache.scaled().height(), 32u);
  // Held so that its pixels cannot be freed and their address reused.
  const Image first = cache.scaled();
  // Vertically centred 32 px box, 18 from the start.
  EXPECT_EQ(painter.calls_starting("draw_image"),
            std::vector<std::string>{"draw_image 32x32 18 6 50 38 1 smooth"});

  painter.paint(button);
  EXPECT_EQ(cache.scaled().data(), first.data()) << "scaled again for the same size";
  EXPECT_FALSE(button.dark_icon_cache().scaled().valid());
}

TEST_F(ButtonIconTest, ANewIconSizeRefillsTheCache) {
  Button button(1, L"Record", 0);
  button.set_icon_images(square(64), {});
  testing::lay_out(button, {0, 0, 200, 44});
  Painter painter(light_palette());
  painter.paint(button);
  const Image first = button.light_icon_cache().scaled();

  button.set_icon_size(24);
  painter.paint(button);
  EXPECT_EQ(button.light_icon_cache().scaled().width(), 24u);
  EXPECT_NE(button.light_icon_cache().scaled().data(), first.data());

  painter.setup.scale = 1.5f;  // the same DIP size in more pixels refills too
  painter.paint(button);
  EXPECT_EQ(button.light_icon_cache().scaled().width(), 36u);
}

TEST_F(ButtonIconTest, ASmallImageIsDrawnAsItIs) {
  Button button(1, L"Record", 0);
  const Image small = square(16);
  button.set_icon_images(small, {});
  testing::lay_out(button, {0, 0, 200, 44});
  Painter painter(light_palette());
  painter.paint(button);
  EXPECT_FALSE(button.light_icon_cache().scaled().valid());
  EXPECT_EQ(painter.calls_starting("draw_image"),
            std::vector<std::string>{"draw_image 16x16 18 6 50 38 1 smooth"});
}

TEST_F(ButtonIconTest, NewImagesEmptyBothCaches) {
  Button button(1, L"Record", 0);
  button.set_icon_images(square(64), square(48));
  testing::lay_out(button, {0, 0, 200, 44});
  Painter light(light_palette());
  Painter dark(dark_palette());
  light.paint(button);
  dark.paint(button);
  ASSERT_TRUE(button.light_icon_cache().scaled().valid());
  ASSERT_TRUE(button.dark_icon_cache().scaled().valid());

  button.set_icon_images(square(64), square(48));
  for (const ScaledIconCache* cache : {&button.light_icon_cache(), &button.dark_icon_cache()}) {
    EXPECT_FALSE(cache->scaled().valid());
    EXPECT_EQ(cache->width(), 0u);
    EXPECT_EQ(cache->height(), 0u);
  }
}

TEST_F(ButtonIconTest, InvalidIconSizesAreIgnored) {
  FakeViewHost host;
  Button button(1, L"Record", 0);
  button.attach_host(&host);
  for (const float size : {std::numeric_limits<float>::quiet_NaN(), 0.0f, -1.0f,
                           std::numeric_limits<float>::infinity(), 32.0f}) {
    button.set_icon_size(size);
    EXPECT_EQ(button.icon_size(), 32.0f) << size;
  }
  EXPECT_TRUE(host.requests.empty());
  button.attach_host(nullptr);
}

TEST_F(ButtonIconTest, TheCacheFallsBackToTheSourceWhenScalingFails) {
  ScaledIconCache cache;
  const Image empty;
  EXPECT_EQ(&cache.image_for(empty, 8, 8), &empty);
  EXPECT_EQ(cache.width(), 8u);
  EXPECT_FALSE(cache.scaled().valid());
}

}  // namespace
}  // namespace win32_ui::modern
