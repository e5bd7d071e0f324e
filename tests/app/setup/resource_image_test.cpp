// The pictures in the module's resources: which ids decode, and which header
// icon pair each icon index gives.
#include "app/setup/resource_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace quorvel::windows {
namespace {

using win32_ui::ui::graphics::Image;

bool same_pixels(const Image& a, const Image& b) {
  return a.valid() && b.valid() && a.width() == b.width() && a.height() == b.height() &&
         std::ranges::equal(a.pixels(), b.pixels());
}

TEST(ResourceImage, LogoAndHeaderIconsDecode) {
  EXPECT_TRUE(load_resource_image(kLogoResource).valid());
  for (unsigned id = 8101; id <= 8112; ++id) {
    SCOPED_TRACE(std::to_string(id));
    const Image image = load_resource_image(id);
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image.width(), 32u);
    EXPECT_EQ(image.height(), 32u);
  }
}

TEST(ResourceImage, LightAndDarkPicturesDiffer) {
  for (unsigned id = 8101; id <= 8111; id += 2) {
    SCOPED_TRACE(std::to_string(id));
    EXPECT_FALSE(same_pixels(load_resource_image(id), load_resource_image(id + 1)));
  }
}

TEST(ResourceImage, UnknownOrUndecodableResourceIsEmpty) {
  EXPECT_FALSE(load_resource_image(8199).valid());
  EXPECT_FALSE(load_resource_image(9001).valid());
}

TEST(ResourceImage, UsesTheLow16BitsOfTheId) {
  EXPECT_TRUE(same_pixels(load_resource_image(0x10000u + 8101u), load_resource_image(8101)));
}

struct IconCase {
  int index;
  unsigned light;
};

TEST(ProductIconImages, GivesEachIndexItsPair) {
  const IconCase cases[] = {{6, 8101}, {7, 8103}, {3, 8105}, {9, 8109},
                            {4, 8107}, {0, 8107}, {-1, 8107}, {100, 8107}};
  for (const IconCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.index));
    const auto& pair = product_icon_images(c.index);
    EXPECT_TRUE(same_pixels(pair.first, load_resource_image(c.light)));
    EXPECT_TRUE(same_pixels(pair.second, load_resource_image(c.light + 1)));
  }
}

TEST(ProductIconImages, LoadsOnceAndSharesThePixels) {
  const auto& first = product_icon_images(6);
  const auto& second = product_icon_images(6);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.first.data().get(), second.first.data().get());
  const Image copy = product_icon_images(7).second;
  EXPECT_EQ(copy.data().get(), product_icon_images(7).second.data().get());
}

}  // namespace
}  // namespace quorvel::windows
