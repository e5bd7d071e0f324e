// The control bar's pictures: every resource of the range decodes with the
// Imaging Component, and the table pairs each icon with its own light and
// dark resource.
#include "app/control/control_button_icons.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/setup/resource_image.h"
#include "engine/com_apartment.h"

namespace quorvel::windows {
namespace {

using win32_ui::ui::graphics::Image;

bool same_pixels(const Image& a, const Image& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::ranges::equal(a.pixels(), b.pixels());
}

TEST(ControlButtonIcons, EveryResourceOfTheRangeDecodesAtTwiceTheIconSize) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  for (unsigned id = 8113; id <= 8142; ++id) {
    SCOPED_TRACE(id);
    const Image image = load_resource_image(id);
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image.width(), 56u);
    EXPECT_EQ(image.height(), 56u);
  }
}

TEST(ControlButtonIcons, PairsEachIconWithItsLightAndDarkResource) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  struct Case {
    int index;
    unsigned light;
  };
  const Case cases[] = {
      {kControlIconTopLeft, 8113},    {kControlIconTopRight, 8115},
      {kControlIconBottomRight, 8117}, {kControlIconBottomLeft, 8119},
      {kControlIconDockTop, 8139},    {kControlIconDockBottom, 8141},
      {kControlIconZoomIn, 8121},     {kControlIconZoomOut, 8123},
      {kControlIconHide, 8125},       {kControlIconPause, 8127},
      {kControlIconResume, 8129},     {kControlIconStop, 8131},
      {kControlIconLiveCover, 8133},  {kControlIconMuted, 8135},
      {kControlIconUnmuted, 8137},
  };
  ASSERT_EQ(std::size(cases), kControlIconCount);
  const auto& table = control_button_icons();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(control_icon_resource(c.index), c.light);
    const ControlIconPair& pair = table[static_cast<std::size_t>(c.index)];
    EXPECT_TRUE(same_pixels(pair.first, load_resource_image(c.light)));
    EXPECT_TRUE(same_pixels(pair.second, load_resource_image(c.light + 1)));
  }
}

TEST(ControlButtonIcons, TheDarkPictureIsDrawnInAnotherInkExceptTheRedStop) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  const auto& table = control_button_icons();
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(i);
    const bool same = same_pixels(table[i].first, table[i].second);
    EXPECT_EQ(same, i == static_cast<std::size_t>(kControlIconStop));
  }
}

TEST(ControlButtonIcons, AnIndexOutsideTheTableHasNoResource) {
  EXPECT_EQ(control_icon_resource(-1), 0u);
  EXPECT_EQ(control_icon_resource(static_cast<int>(kControlIconCount)), 0u);
}

}  // namespace
}  // namespace quorvel::windows
