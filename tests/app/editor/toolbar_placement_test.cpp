#include "app/editor/toolbar_placement.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::windows {
namespace {

constexpr SIZE kToolbar{540, 38};
constexpr RECT kScreen{0, 0, 1920, 1080};

struct PlacementCase {
  const char* name;
  RECT selection;
  RECT work_area;
  UINT dpi;
  POINT expected;
};

class ToolbarPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(ToolbarPlacement, KeepsTheToolbarBesideTheSelectionAndOnTheWorkArea) {
  const PlacementCase& c = GetParam();
  const POINT position = toolbar_position(c.selection, kToolbar, c.work_area, c.dpi);
  EXPECT_EQ(position.x, c.expected.x);
  EXPECT_EQ(position.y, c.expected.y);
  EXPECT_GE(position.x, c.work_area.left);
  EXPECT_GE(position.y, c.work_area.top);
  EXPECT_LE(position.x + kToolbar.cx, c.work_area.right);
  EXPECT_LE(position.y + kToolbar.cy, c.work_area.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolbarPlacement,
    ::testing::Values(
        PlacementCase{"BelowTheSelection", {150, 110, 351, 211}, kScreen, 96, {150, 217}},
        PlacementCase{"AboveWhenNoRoomBelow", {150, 900, 351, 1060}, kScreen, 96, {150, 856}},
        PlacementCase{"PulledLeftAtTheRightEdge", {1700, 110, 1900, 211}, kScreen, 96,
                      {1380, 217}},
        // Neither below nor above fits: held at the work area's top edge.
        PlacementCase{"TallerThanTheWorkArea", {0, 0, 1920, 1080}, {0, 40, 1920, 1080}, 96,
                      {0, 40}},
        PlacementCase{"GapScalesWithTheDpi", {150, 110, 351, 211}, kScreen, 144, {150, 220}},
        PlacementCase{"HeldRightOfAWorkAreaStartingLater", {-300, 110, -100, 211},
                      {0, 0, 1920, 1080}, 96, {0, 217}},
        PlacementCase{"ExactlyFitsBelow", {150, 900, 351, 1036}, kScreen, 96, {150, 1042}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ToolbarPlacementNarrow, StartsAtTheWorkAreaWhenTheToolbarIsWiderThanIt) {
  const POINT position = toolbar_position({10, 10, 50, 50}, kToolbar, {100, 0, 400, 300}, 96);
  EXPECT_EQ(position.x, 100);
  EXPECT_EQ(position.y, 56);
}

}  // namespace
}  // namespace quorvel::windows
