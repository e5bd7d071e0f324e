#include "ui/views/grid_panel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/test_views.h"

namespace win32_ui::modern {
namespace {

using layout::GridCell;
using layout::GridLength;
using quorvel::test::FakeViewHost;
using testing::make_sized;

constexpr std::uint64_t kMaxSpan = std::numeric_limits<std::uint64_t>::max();

// A leaf that records the width it was last offered.
class OfferProbe : public View {
 public:
  float offered_width = -1.0f;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override {
    offered_width = content.max_width;
    return View::measure_override(content, context);
  }
};

TEST(GridPanelTest, EmptyListsBehaveAsOneStarTrack) {
  GridPanel grid({}, {});
  View* child = grid.add_child(std::make_unique<View>(), GridCell{});

  testing::lay_out(grid, 3, 4, 60, 40);

  EXPECT_EQ(grid.columns(), std::vector<GridLength>{GridLength::star(1.0f)});
  EXPECT_EQ(grid.rows(), std::vector<GridLength>{GridLength::star(1.0f)});
  EXPECT_EQ(child->bounds(), (layout::LayoutRect{3, 4, 60, 40}));
}

TEST(GridPanelTest, SpansZeroBecomeOne) {
  GridPanel grid({GridLength::fixed(10), GridLength::fixed(20)}, {});
  View* child = grid.add_child(std::make_unique<View>(), GridCell{1, 0, 0, 0});

  testing::lay_out(grid, 0, 0, 100, 50);

  EXPECT_EQ(grid.cells()[0], (GridCell{1, 0, 1, 1}));
  EXPECT_EQ(child->bounds(), (layout::LayoutRect{10, 0, 20, 50}));
}

TEST(GridPanelTest, WeightZeroStarGetsNothingAndAllZeroWeightsShareEqually) {
  struct Case {
    const char* name;
    std::vector<GridLength> tracks;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"one zero weight", {GridLength::star(0), GridLength::star(1), GridLength::star(3)},
       {0, 25, 75}},
      {"all zero weights", {GridLength::star(0), GridLength::star(0)}, {50, 50}},
      {"negative weight counts as zero",
       {GridLength{GridLength::kStar, -2.0f, 0.0f, layout::kUnbounded}, GridLength::star(1)},
       {0, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<float> measured(c.tracks.size(), 0.0f);
    EXPECT_EQ(GridPanel::resolve_tracks(c.tracks, measured, 100.0f, 0.0f), c.expected);
  }
}

TEST(GridPanelTest, ZeroWeightColumnGetsNoWidthInLayout) {
  GridPanel grid({GridLength::star(0), GridLength::star(1)}, {}, 10.0f);
  View* left = grid.add_child(std::make_unique<View>(), GridCell{0, 0, 1, 1});
  View* right = grid.add_child(std::make_unique<View>(), GridCell{1, 0, 1, 1});

  testing::lay_out(grid, 0, 0, 110, 20);

  EXPECT_EQ(left->bounds().width, 0.0f);
  EXPECT_EQ(right->bounds(), (layout::LayoutRect{10, 0, 100, 20}));
}

TEST(GridPanelTest, ShrinkingTakesStarThenAutoThenFixedNeverBelowMin) {
  const std::vector<GridLength> tracks = {GridLength::fixed(40, 30), GridLength::automatic(10),
                                          GridLength::star(1, 5)};
  const std::vector<float> measured = {40, 40, 60};
  struct Case {
    float available;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {85, {40, 40, 5}},  // the star track starts at its min when bounded
      {60, {40, 15, 5}},  // the auto track gives first
      {50, {35, 10, 5}},  // then the fixed one
      {20, {30, 10, 5}},  // every track at its min, the rest overflows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.available);
    EXPECT_EQ(GridPanel::resolve_tracks(tracks, measured, c.available, 0.0f), c.expected);
  }
  // Unbounded: the measured sizes, fixed tracks at their value.
  EXPECT_EQ(GridPanel::resolve_tracks(tracks, measured, layout::kUnbounded, 0.0f),
            (std::vector<float>{40, 40, 60}));
}

TEST(GridPanelTest, NullChildThrowsAndLeavesCellsUnchanged) {
  GridPanel grid({}, {});
  grid.add_child(std::make_unique<View>(), GridCell{0, 0, 1, 1});
  try {
    grid.add_child(nullptr, GridCell{0, 0, 1, 1});
    FAIL() << "no exception";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "modern View child must not be null");
  }
  EXPECT_EQ(grid.cells().size(), 1u);
  EXPECT_EQ(grid.child_count(), 1u);
}

TEST(GridPanelTest, RefusedAdoptionTakesItsCellBack) {
  GridPanel other({}, {});
  View* owned = other.add_child(std::make_unique<View>(), GridCell{});
  GridPanel grid({}, {});
  EXPECT_THROW(grid.add_child(std::unique_ptr<View>(owned), GridCell{}), std::invalid_argument);
  EXPECT_TRUE(grid.cells().empty());
  EXPECT_EQ(owned->parent(), &other);
}

TEST(GridPanelTest, CellsOutsideTheGridGetZeroSizeAtTheContentOrigin) {
  struct Case {
    const char* name;
    GridCell cell;
    // Outside the columns the width offer is 0; a cell only outside the
    // rows is offered its columns; a child without a cell is offered
    // nothing (-1: never measured).
    float offered_width;
    bool without_cell = false;  // added through ViewGroup::add_child
  };
  const Case cases[] = {
      {"span 2^64 - 1 from column 1", {1, 0, kMaxSpan, 1}, 0.0f},
      {"span 2^64 - 1 from row 1", {0, 1, 1, kMaxSpan}, 10.0f},
      {"span past the last column", {2, 0, 2, 1}, 0.0f},
      {"column past the end", {3, 0, 1, 1}, 0.0f},
      {"no cell", {}, -1.0f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GridPanel grid({GridLength::fixed(10), GridLength::fixed(20), GridLength::fixed(30)},
                   {GridLength::fixed(10), GridLength::fixed(10)}, 0.0f, 0.0f, {5, 6, 0, 0});
    auto probe = std::make_unique<OfferProbe>();
    OfferProbe* child = probe.get();
    // The rectangle of an earlier layout, which the grid must replace.
    child->arrange({40, 50, 20, 30}, layout::LayoutContext{});
    if (c.without_cell) {
      grid.ViewGroup::add_child(std::move(probe));
    } else {
      grid.add_child(std::move(probe), c.cell);
    }

    testing::lay_out(grid, 0, 0, 100, 100);

    EXPECT_EQ(child->bounds(), (layout::LayoutRect{5, 6, 0, 0}));
    EXPECT_EQ(child->offered_width, c.offered_width);
  }
}

TEST(GridPanelTest, SpannedChildGetsItsTracksWithSpacingAndRunsFromTheRightInRightToLeft) {
  GridPanel grid({GridLength::fixed(10), GridLength::fixed(20), GridLength::fixed(30)},
                 {GridLength::fixed(15)}, 5.0f, 0.0f);
  View* child = grid.add_child(std::make_unique<View>(), GridCell{0, 0, 2, 1});

  testing::lay_out(grid, 0, 0, 100, 15);
  EXPECT_EQ(child->bounds(), (layout::LayoutRect{0, 0, 35, 15}));

  testing::lay_out(grid, 0, 0, 100, 15, layout::kLayoutRightToLeft);
  EXPECT_EQ(child->bounds(), (layout::LayoutRect{65, 0, 35, 15}));
}

TEST(GridPanelTest, AutoTracksFollowTheirChildren) {
  GridPanel grid({GridLength::automatic(), GridLength::star(1)},
                 {GridLength::automatic(), GridLength::automatic()});
  grid.add_child(make_sized(30, 12), GridCell{0, 0, 1, 1});
  grid.add_child(make_sized(10, 8), GridCell{0, 1, 1, 1});
  View* filler = grid.add_child(std::make_unique<View>(), GridCell{1, 0, 1, 2});

  const layout::Size desired = grid.measure(layout::make_unbounded_size(100, 100), {});
  grid.arrange({0, 0, 100, 100}, {});

  EXPECT_EQ(desired, (layout::Size{100, 20}));
  EXPECT_EQ(filler->bounds(), (layout::LayoutRect{30, 0, 70, 20}));
}

TEST(GridPanelTest, SetRowsReplacesRowsAndAsksForLayout) {
  FakeViewHost host;
  GridPanel grid({}, {GridLength::fixed(10)});
  View* child = grid.add_child(std::make_unique<View>(), GridCell{});
  testing::lay_out(grid, 0, 0, 50, 50);
  grid.attach_host(&host);
  host.clear_requests();

  grid.set_rows({GridLength::fixed(30)});
  EXPECT_FALSE(grid.is_measured());
  EXPECT_EQ(host.requests, std::vector<FakeViewHost::Request>{FakeViewHost::Request::kRequestLayout});
  testing::lay_out(grid, 0, 0, 50, 50);
  EXPECT_EQ(child->bounds().height, 30.0f);

  grid.set_rows({});
  EXPECT_EQ(grid.rows(), std::vector<GridLength>{GridLength::star(1.0f)});
}

TEST(GridPanelTest, NegativeSpacingsAreStoredAsZero) {
  GridPanel grid({}, {}, -4.0f, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(grid.column_spacing(), 0.0f);
  EXPECT_EQ(grid.row_spacing(), 0.0f);
}

}  // namespace
}  // namespace win32_ui::modern
