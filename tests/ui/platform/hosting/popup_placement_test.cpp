// Where a popup opens beside its anchor, from a table: below, above, pushed
// up by the bottom edge, full width, right-aligned; and the gap and corner
// sizes at two scales.
#include "ui/platform/hosting/popup_placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace win32_ui::modern {
namespace {

constexpr RECT kWork{0, 0, 1920, 1080};

struct PlacementCase {
  const char* name;
  RECT anchor;
  float width;
  float height;
  float scale;
  bool align_right;
  PopupPlacement expected;
};

class PopupPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PopupPlacementTest, PlacesThePopup) {
  const PlacementCase& c = GetParam();
  const PopupPlacement placed =
      place_popup(c.anchor, kWork, c.width, c.height, c.scale, c.align_right);
  EXPECT_EQ(placed.left, c.expected.left) << c.name;
  EXPECT_EQ(placed.top, c.expected.top) << c.name;
  EXPECT_EQ(placed.right, c.expected.right) << c.name;
  EXPECT_EQ(placed.bottom, c.expected.bottom) << c.name;
  EXPECT_EQ(placed.opens_above, c.expected.opens_above) << c.name;
}

const PlacementCase kCases[] = {
    {"below with a 4-pixel gap", {100, 100, 200, 130}, 240, 300, 1.0f, false,
     {100, 134, 340, 434, false}},
    {"room only above", {100, 900, 200, 930}, 240, 300, 1.0f, false,
     {100, 596, 340, 896, true}},
    {"room neither way: below, pushed up by the clamp", {100, 500, 200, 530}, 240, 700, 1.0f,
     false, {100, 380, 340, 1080, false}},
    {"wider than the work area", {300, 100, 400, 130}, 3000, 100, 1.0f, false,
     {0, 134, 1920, 234, false}},
    {"aligned right", {500, 100, 700, 130}, 240, 100, 1.0f, true, {460, 134, 700, 234, false}},
    {"pushed in from the right edge", {1850, 100, 1900, 130}, 240, 100, 1.0f, false,
     {1680, 134, 1920, 234, false}},
    {"pushed in from the left edge", {-50, 100, 10, 130}, 240, 100, 1.0f, false,
     {0, 134, 240, 234, false}},
    {"scale 1.5", {100, 100, 200, 130}, 100, 100, 1.5f, false, {100, 136, 250, 286, false}},
    {"bad scale counts as 1", {100, 100, 200, 130}, 100, 100,
     std::numeric_limits<float>::quiet_NaN(), false, {100, 134, 200, 234, false}},
    {"zero size gives one pixel", {100, 100, 200, 130}, 0, 0, 1.0f, false,
     {100, 134, 101, 135, false}},
};

INSTANTIATE_TEST_SUITE_P(Table, PopupPlacementTest, ::testing::ValuesIn(kCases));

TEST(PopupGeometryTest, GapAndCornerFollowTheScale) {
  EXPECT_EQ(popup_gap(1.5f), 6);
  EXPECT_EQ(popup_corner_diameter(1.5f), 30);
  EXPECT_EQ(popup_gap(0.5f), 2);
  EXPECT_EQ(popup_corner_diameter(0.5f), 10);
  EXPECT_EQ(popup_gap(0.1f), 1) << "never below one pixel";
  EXPECT_EQ(popup_corner_diameter(0.05f), 2) << "never below two pixels";
}

}  // namespace
}  // namespace win32_ui::modern
