#include "ui/platform/layout/grid_panel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/ui/platform/layout_test_nodes.h"

namespace win32_ui::layout {
namespace {

using testing::CountingGrid;
using testing::TestLeaf;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void expect_sizes(const std::vector<float>& actual, const std::vector<float>& expected,
                  const char* name) {
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], 0.01f) << name << " track " << i;
  }
}

TEST(GridTracksTest, TrackSizingTable) {
  using G = GridLength;
  struct Case {
    const char* name;
    std::vector<GridLength> tracks;
    std::vector<float> measured;
    float available;
    float gap;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"star 1:3 in 400", {G::star(1), G::star(3)}, {}, 400, 0, {100, 300}},
      {"star 1:3 with a max of 50", {G::star(1, 0, 50), G::star(3)}, {}, 400, 0, {50, 350}},
      {"three fixed 100 in 250", {G::fixed(100), G::fixed(100), G::fixed(100)}, {}, 250, 0,
       {83.333f, 83.333f, 83.333f}},
      {"spacing comes off first", {G::star(1), G::star(1)}, {}, 410, 10, {200, 200}},
      {"weight 0 gets no spare", {G::star(0), G::star(2), G::star(2)}, {}, 300, 0, {0, 150, 150}},
      {"all weights 0 share equally", {G::star(0), G::star(0)}, {}, 300, 0, {150, 150}},
      {"auto and fixed take no spare", {G::automatic(), G::fixed(50), G::star(1)}, {30, 0, 0}, 200,
       0, {30, 50, 120}},
      {"stars shrink before autos, autos before fixed",
       {G::fixed(100), G::automatic(), G::star(1, 40)}, {0, 100, 0}, 150, 0, {100, 10, 40}},
      {"fixed shrink stops at its min", {G::fixed(100, 90), G::fixed(100)}, {}, 100, 0, {90, 10}},
      {"unbounded keeps the measured sizes", {G::automatic(), G::star(1), G::fixed(20)},
       {30, 45}, kInf, 5, {30, 45, 20}},
      {"star min in bounded space", {G::star(1, 80)}, {}, 50, 0, {80}},
      {"NaN available is unbounded", {G::star(1)}, {12}, kNaN, 0, {12}},
      {"infinite fixed length is held to the space", {G::fixed(kInf), G::fixed(50)}, {}, 100, 0,
       {75, 25}},
  };
  for (const Case& c : cases) {
    expect_sizes(grid_track_sizes(c.tracks, c.measured, c.available, c.gap), c.expected, c.name);
  }
}

TEST(GridTracksTest, SpanDistributionTable) {
  using G = GridLength;
  struct Case {
    const char* name;
    std::vector<GridLength> tracks;
    std::vector<float> sizes;
    std::size_t first;
    std::size_t span;
    float desired;
    float gap;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"two autos at 20 want 100", {G::automatic(20), G::automatic(20)}, {20, 20}, 0, 2, 100, 0,
       {50, 50}},
      {"gap counts as covered", {G::automatic(), G::automatic()}, {0, 0}, 0, 2, 100, 20, {40, 40}},
      {"autos before stars", {G::automatic(), G::star(1)}, {0, 0}, 0, 2, 60, 0, {60, 0}},
      {"stars after autos reach their max", {G::automatic(0, 10), G::star(1)}, {0, 0}, 0, 2, 60, 0,
       {10, 50}},
      {"fixed never grows", {G::fixed(10), G::fixed(10)}, {10, 10}, 0, 2, 100, 0, {10, 10}},
      {"a capped auto leaves the rest to its neighbour", {G::automatic(0, 20), G::automatic()},
       {0, 0}, 0, 2, 100, 0, {20, 80}},
      {"already covered", {G::automatic(), G::automatic()}, {60, 60}, 0, 2, 100, 0, {60, 60}},
      {"span past the end is ignored", {G::automatic(), G::automatic()}, {0, 0}, 1, 2, 100, 0,
       {0, 0}},
      {"span 0 is ignored", {G::automatic()}, {0}, 0, 0, 100, 0, {0}},
      {"first past the end is ignored", {G::automatic()}, {0}, 3, 1, 100, 0, {0}},
  };
  for (const Case& c : cases) {
    std::vector<float> sizes = c.sizes;
    grid_distribute_span(sizes, c.tracks, c.first, c.span, c.desired, c.gap);
    expect_sizes(sizes, c.expected, c.name);
  }
}

TEST(GridTracksTest, ShrinkReportsWhatItCouldNotTake) {
  std::vector<float> sizes = {50, 30, 100};
  const std::vector<GridLength> tracks = {GridLength::automatic(40), GridLength::automatic(),
                                          GridLength::fixed(100)};
  float excess = 100;
  grid_shrink_tracks(sizes, tracks, GridLength::kAuto, excess);
  expect_sizes(sizes, {40, 0, 100}, "autos only, never below min");
  EXPECT_NEAR(excess, 60, 0.01f);
}

TEST(GridTracksTest, LengthMakersSanitiseTheirInputs) {
  EXPECT_EQ(GridLength::fixed(kNaN, kNaN, kNaN), (GridLength{GridLength::kFixed, 0, 0, 0}));
  EXPECT_EQ(GridLength::fixed(-4, -1, -1), (GridLength{GridLength::kFixed, 0, 0, 0}));
  EXPECT_EQ(GridLength::star(kNaN), (GridLength{GridLength::kStar, 0, 0, kInf}));
  EXPECT_EQ(GridLength::star(-2, 5, 10), (GridLength{GridLength::kStar, 0, 5, 10}));
  EXPECT_EQ(GridLength::automatic(kNaN, kNaN), (GridLength{GridLength::kAuto, 1, 0, 0}));
  EXPECT_EQ(GridLength::automatic(), (GridLength{GridLength::kAuto, 1, 0, kInf}));

  EXPECT_EQ(GridLength::clamp(kNaN, GridLength::automatic(5, 10)), 5);
  EXPECT_EQ(GridLength::clamp(-3, GridLength::automatic()), 0);
  EXPECT_EQ(GridLength::clamp(50, GridLength::automatic(5, 10)), 10);
  // A max below the min counts as the min.
  EXPECT_EQ(GridLength::clamp(50, GridLength{GridLength::kAuto, 1, 20, 10}), 20);
  EXPECT_EQ(GridLength::clamp(50, GridLength{GridLength::kAuto, 1, kNaN, kNaN}), 0);

  EXPECT_EQ(grid_total_spacing(0, 8), 0);
  EXPECT_EQ(grid_total_spacing(1, 8), 0);
  EXPECT_EQ(grid_total_spacing(4, 8), 24);
  EXPECT_EQ(grid_total_spacing(4, -8), 0);
}

// A grid with its children, measured and arranged in one rectangle.
struct Laid {
  std::unique_ptr<GridPanel> grid;
  std::vector<TestLeaf*> leaves;

  void layout(const LayoutRect& rect, const LayoutContext& context = {}) {
    grid->measure(make_unbounded_size(rect.width, rect.height), context);
    grid->arrange(rect, context);
  }
};

Laid make_grid(std::vector<GridLength> columns, std::vector<GridLength> rows,
               std::vector<std::pair<GridCell, Size>> children, float column_spacing = 0,
               float row_spacing = 0, Thickness padding = {}) {
  Laid laid;
  laid.grid = std::make_unique<GridPanel>(std::move(columns), std::move(rows), column_spacing,
                                          row_spacing, padding);
  for (const auto& [cell, size] : children) {
    laid.leaves.push_back(
        static_cast<TestLeaf*>(laid.grid->add_child(std::make_unique<TestLeaf>(size), cell)));
  }
  return laid;
}

TEST(GridPanelTest, EmptyListsGiveOneStarTrackFillingTheSpace) {
  Laid laid = make_grid({}, {}, {{GridCell{}, Size{10, 10}}});
  ASSERT_EQ(laid.grid->columns().size(), 1u);
  EXPECT_EQ(laid.grid->columns()[0], (GridLength{GridLength::kStar, 1, 0, kInf}));
  laid.layout(LayoutRect{5, 5, 300, 200});
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{5, 5, 300, 200}));
}

TEST(GridPanelTest, StarColumnsShareTheWidthByWeight) {
  Laid laid = make_grid({GridLength::star(1), GridLength::star(3)}, {GridLength::automatic()},
                        {{GridCell{0, 0}, Size{10, 10}}, {GridCell{1, 0}, Size{10, 10}}});
  laid.layout(LayoutRect{0, 0, 400, 100});
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{0, 0, 100, 10}));
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{100, 0, 300, 10}));
  EXPECT_EQ(laid.grid->desired_size(), (Size{400, 10}));

  Laid capped = make_grid({GridLength::star(1, 0, 50), GridLength::star(3)}, {},
                          {{GridCell{0, 0}, Size{}}, {GridCell{1, 0}, Size{}}});
  capped.layout(LayoutRect{0, 0, 400, 100});
  EXPECT_EQ(capped.leaves[0]->bounds().width, 50);
  EXPECT_EQ(capped.leaves[1]->bounds(), (LayoutRect{50, 0, 350, 100}));
}

TEST(GridPanelTest, SpacingPaddingAndSpans) {
  Laid laid = make_grid({GridLength::fixed(100), GridLength::automatic(), GridLength::star(1)},
                        {GridLength::fixed(30), GridLength::fixed(40)},
                        {{GridCell{0, 0, 2, 2}, Size{}}, {GridCell{1, 1}, Size{60, 10}},
                         {GridCell{2, 0, 0, 0}, Size{}}},
                        10, 5, Thickness{1, 2, 3, 4});
  EXPECT_EQ(laid.grid->cells()[2], (GridCell{2, 0, 1, 1}));
  laid.layout(LayoutRect{0, 0, 400, 200});
  // Content starts at (1, 2) and is 396 wide: 100 + 10 + 60 + 10 + 216.
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{1, 2, 170, 75}));
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{111, 37, 60, 40}));
  EXPECT_EQ(laid.leaves[2]->bounds(), (LayoutRect{181, 2, 216, 30}));
  EXPECT_EQ(laid.grid->desired_size(), (Size{400, 81}));
}

TEST(GridPanelTest, SpanOverTwoAutoColumnsGrowsBothEqually) {
  Laid laid = make_grid({GridLength::automatic(20), GridLength::automatic(20)}, {},
                        {{GridCell{0, 0, 2, 1}, Size{100, 10}}, {GridCell{1, 0}, Size{}}});
  laid.layout(LayoutRect{0, 0, 500, 50});
  expect_sizes(laid.grid->column_sizes(), {50, 50}, "column sizes");
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{50, 0, 50, 50}));
}

TEST(GridPanelTest, FixedColumnsShrinkEquallyWhenNothingElseCan) {
  Laid laid = make_grid({GridLength::fixed(100), GridLength::fixed(100), GridLength::fixed(100)}, {},
                        {{GridCell{0, 0}, Size{}}, {GridCell{1, 0}, Size{}}, {GridCell{2, 0}, Size{}}});
  laid.layout(LayoutRect{0, 0, 250, 10});
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(laid.leaves[i]->bounds().x, 83.333f * i, 0.01f);
    EXPECT_NEAR(laid.leaves[i]->bounds().width, 83.333f, 0.01f);
  }
}

TEST(GridPanelTest, RightToLeftRunsColumnsFromTheRightAndFlipsEndAlignment) {
  Laid laid = make_grid({GridLength::fixed(100), GridLength::star(1)}, {},
                        {{GridCell{0, 0}, Size{40, 10}},
                         {GridCell{1, 0}, Size{40, 10}},
                         {GridCell{0, 0, 2, 1}, Size{40, 10}}},
                        10);
  LayoutParams end;
  end.horizontal_alignment = kAlignEnd;
  laid.leaves[1]->set_params(end);

  LayoutContext rtl;
  rtl.direction = kLayoutRightToLeft;
  laid.layout(LayoutRect{0, 0, 400, 50}, rtl);
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{300, 0, 100, 50}));
  // Column 1 is [0, 290); its end-aligned child sits at its left edge.
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{0, 0, 40, 50}));
  EXPECT_EQ(laid.leaves[2]->bounds(), (LayoutRect{0, 0, 400, 50}));
  EXPECT_EQ(laid.leaves[1]->direction(), kLayoutRightToLeft);

  laid.layout(LayoutRect{0, 0, 400, 50});
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{0, 0, 100, 50}));
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{360, 0, 40, 50}));
}

TEST(GridPanelTest, CollapsedChildrenTakeNoSize) {
  Laid laid = make_grid({GridLength::automatic(), GridLength::automatic(), GridLength::star(1)},
                        {GridLength::automatic()},
                        {{GridCell{0, 0}, Size{70, 30}}, {GridCell{1, 0}, Size{50, 20}},
                         {GridCell{2, 0}, Size{10, 10}}});
  LayoutParams collapsed;
  collapsed.visibility = kCollapsed;
  collapsed.margin = Thickness{8, 8, 8, 8};
  laid.leaves[0]->set_params(collapsed);
  laid.layout(LayoutRect{10, 10, 300, 100});

  EXPECT_EQ(laid.leaves[0]->measure_calls, 0);
  expect_sizes(laid.grid->column_sizes(), {0, 50, 10}, "collapsed column");
  EXPECT_EQ(laid.leaves[0]->bounds(), (LayoutRect{10, 10, 0, 0}));
  EXPECT_EQ(laid.leaves[1]->bounds(), (LayoutRect{10, 10, 50, 20}));
  // The collapsed child's margins and height count nowhere.
  EXPECT_EQ(laid.grid->desired_size().height, 20);
}

TEST(GridPanelTest, NullChildThrowsAndLeavesTheGridUnchanged) {
  Laid laid = make_grid({}, {}, {{GridCell{}, Size{10, 10}}});
  laid.layout(LayoutRect{0, 0, 100, 100});
  try {
    laid.grid->add_child(nullptr, GridCell{0, 0, 1, 1});
    FAIL() << "a null child was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "layout child must not be null");
  }
  EXPECT_EQ(laid.grid->cells().size(), 1u);
  EXPECT_EQ(laid.grid->child_count(), 1u);
  EXPECT_TRUE(laid.grid->is_measured());
}

TEST(GridPanelTest, CellsOutsideTheGridGetNothing) {
  Laid laid = make_grid({GridLength::automatic(), GridLength::automatic()}, {},
                        {{GridCell{1, 0, 2, 1}, Size{80, 10}},
                         {GridCell{5, 0}, Size{80, 10}},
                         {GridCell{0, 5}, Size{30, 10}}});
  laid.layout(LayoutRect{7, 8, 200, 100});
  // Columns outside: offered no width and spread over no column.
  EXPECT_EQ(laid.leaves[0]->last_constraint.max_width, 0);
  EXPECT_EQ(laid.leaves[1]->last_constraint.max_width, 0);
  expect_sizes(laid.grid->column_sizes(), {30, 0}, "only the fitting column spreads");
  for (const TestLeaf* leaf : laid.leaves) {
    EXPECT_EQ(leaf->bounds(), (LayoutRect{7, 8, 0, 0}));
  }
}

TEST(GridPanelTest, ChildrenWithoutCellsAreLeftAlone) {
  GridPanel grid({}, {}, 0, 0, {});
  auto* leaf = static_cast<TestLeaf*>(static_cast<Panel&>(grid).add_child(
      std::make_unique<TestLeaf>(Size{10, 10})));
  grid.measure(make_unbounded_size(100, 100), LayoutContext{});
  grid.arrange(LayoutRect{0, 0, 100, 100}, LayoutContext{});
  EXPECT_EQ(leaf->measure_calls, 0);
  EXPECT_EQ(leaf->arrange_calls, 0);
}

TEST(GridPanelTest, NonFiniteSpacingCountsAsZero) {
  GridPanel grid({GridLength::star(1), GridLength::star(1)}, {}, kInf, kNaN, {});
  EXPECT_EQ(grid.column_spacing(), 0);
  EXPECT_EQ(grid.row_spacing(), 0);
  GridPanel negative({}, {}, -3, -4, {});
  EXPECT_EQ(negative.column_spacing(), 0);
  EXPECT_EQ(negative.row_spacing(), 0);
}

// Grids nested `depth` deep, each holding the next in one star column, with
// a leaf at the bottom. Every grid measures its child twice per pass
// (unbounded, then within its column width).
struct Nested {
  std::unique_ptr<CountingGrid> root;
  std::vector<CountingGrid*> grids;
  TestLeaf* leaf = nullptr;

  explicit Nested(int depth) {
    root = std::make_unique<CountingGrid>(std::vector<GridLength>{GridLength::star(1)},
                                          std::vector<GridLength>{GridLength::automatic()}, 0, 0,
                                          Thickness{});
    grids.push_back(root.get());
    for (int level = 1; level < depth; ++level) {
      grids.push_back(static_cast<CountingGrid*>(grids.back()->add_child(
          std::make_unique<CountingGrid>(std::vector<GridLength>{GridLength::star(1)},
                                         std::vector<GridLength>{GridLength::automatic()}, 0, 0,
                                         Thickness{}),
          GridCell{})));
    }
    leaf = static_cast<TestLeaf*>(
        grids.back()->add_child(std::make_unique<TestLeaf>(Size{120, 30}), GridCell{}));
  }

  int total() const {
    int sum = leaf->measure_calls;
    for (const CountingGrid* grid : grids) sum += grid->measure_calls;
    return sum;
  }
  void reset() {
    leaf->measure_calls = 0;
    for (CountingGrid* grid : grids) grid->measure_calls = 0;
  }
  void pass(float width, std::uint64_t revision) {
    LayoutContext context;
    context.revision = revision;
    root->measure(make_unbounded_size(width, kInf), context);
    root->arrange(LayoutRect{0, 0, width, 500}, context);
  }
};

TEST(GridPanelTest, NestedGridsMeasureEachLevelAFixedNumberOfTimes) {
  for (int depth = 1; depth <= 4; ++depth) {
    Nested nested(depth);
    nested.pass(400, 1);
    const int first_leaf = nested.leaf->measure_calls;
    const int first_total = nested.total();
    EXPECT_EQ(nested.leaf->bounds(), (LayoutRect{0, 0, 400, 30})) << "depth " << depth;

    nested.reset();
    nested.pass(400, 1);
    const int unchanged_total = nested.total();

    nested.reset();
    nested.pass(400, 2);
    const int revision_total = nested.total();

    nested.reset();
    nested.pass(300, 2);
    const int resized_total = nested.total();
    EXPECT_EQ(nested.leaf->bounds(), (LayoutRect{0, 0, 300, 30})) << "depth " << depth;

    std::printf("nested grids depth %d: first pass %d measure calls (leaf %d), unchanged %d, "
                "revision bump %d, resized %d\n",
                depth, first_total, first_leaf, unchanged_total, revision_total, resized_total);

    // Unbounded, natural width and the offered width: at most three runs per
    // node, however deep the nesting.
    EXPECT_LE(first_leaf, 3) << "depth " << depth;
    EXPECT_LE(first_total, 3 * (depth + 1)) << "depth " << depth;
    EXPECT_EQ(unchanged_total, 0) << "depth " << depth;
    EXPECT_EQ(revision_total, first_total) << "depth " << depth;
    EXPECT_LE(resized_total, 2 * (depth + 1)) << "depth " << depth;
  }
}

}  // namespace
}  // namespace win32_ui::layout
