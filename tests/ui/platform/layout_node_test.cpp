#include "ui/platform/layout/layout_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/ui/platform/layout_test_nodes.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui::layout {
namespace {

using testing::TestLeaf;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A panel that stacks nothing: it measures its first child with its own
// constraint and arranges it in its own content rectangle.
class PassThroughPanel : public Panel {
 public:
  int measure_calls = 0;

 protected:
  Size measure_override(const SizeConstraint& c, const LayoutContext& x) override {
    ++measure_calls;
    return child_count() > 0 ? child_at(0)->measure(c, x) : Size{};
  }
  void arrange_override(const LayoutRect& r, const LayoutContext& x) override {
    if (child_count() > 0) child_at(0)->arrange(r, x);
  }
};

class NullMeasurer : public TextMeasurer {
 public:
  std::optional<Size> measure(const wchar_t*, std::size_t, std::uint32_t) override {
    return std::nullopt;
  }
};

TEST(LayoutNodeTest, MeasureAddsMarginsAndPaddingAndArrangeTakesThemOff) {
  TestLeaf leaf(Size{50, 20});
  LayoutParams params;
  params.margin = Thickness{5, 6, 7, 8};
  params.padding = Thickness{1, 2, 3, 4};
  leaf.set_params(params);

  const Size desired = leaf.measure(make_unbounded_size(kInf, kInf), LayoutContext{});
  EXPECT_EQ(desired, (Size{50 + 4 + 12, 20 + 6 + 14}));
  EXPECT_EQ(leaf.desired_size(), desired);
  EXPECT_EQ(leaf.desired_content_size(), (Size{54, 26}));

  leaf.arrange(LayoutRect{10, 20, 200, 100}, LayoutContext{});
  EXPECT_EQ(leaf.bounds(), (LayoutRect{15, 26, 188, 86}));
  EXPECT_EQ(leaf.surface_bounds(), (LayoutRect{16, 28, 184, 80}));
  EXPECT_EQ(leaf.last_content_rect, leaf.surface_bounds());
}

TEST(LayoutNodeTest, ContentConstraintExcludesMarginsPaddingAndHonoursLimits) {
  struct Case {
    const char* name;
    SizeConstraint constraint;
    LayoutParams params;
    Size content;
    SizeConstraint expected_content_constraint;
    Size expected_desired;
  };
  LayoutParams margins;
  margins.margin = Thickness{10, 10, 10, 10};
  margins.padding = Thickness{5, 0, 5, 0};
  LayoutParams minimum;
  minimum.min_width = 100;
  LayoutParams maximum;
  maximum.max_width = 30;
  LayoutParams explicit_size;
  explicit_size.width = 80;
  explicit_size.has_width = true;
  explicit_size.height = 500;
  explicit_size.has_height = true;
  const Case cases[] = {
      {"margins and padding", SizeConstraint{0, 0, 200, 100}, margins, Size{500, 500},
       SizeConstraint{0, 0, 170, 80}, Size{200, 100}},
      {"unbounded stays unbounded", SizeConstraint{0, 0, kInf, kInf}, margins, Size{10, 10},
       SizeConstraint{0, 0, kInf, kInf}, Size{40, 30}},
      {"minimum width", SizeConstraint{0, 0, kInf, kInf}, minimum, Size{10, 10},
       SizeConstraint{100, 0, kInf, kInf}, Size{100, 10}},
      {"minimum above the offer is cut by the offer", SizeConstraint{0, 0, 40, kInf}, minimum,
       Size{10, 10}, SizeConstraint{100, 0, 100, kInf}, Size{40, 10}},
      {"maximum width", SizeConstraint{0, 0, kInf, kInf}, maximum, Size{50, 10},
       SizeConstraint{0, 0, 30, kInf}, Size{30, 10}},
      {"explicit size pinned and cut to the offer", SizeConstraint{0, 0, 300, 200}, explicit_size,
       Size{10, 10}, SizeConstraint{80, 200, 80, 200}, Size{80, 200}},
      {"NaN maximum is unbounded, NaN minimum is 0", SizeConstraint{kNaN, kNaN, kNaN, kNaN},
       LayoutParams{}, Size{25, 35}, SizeConstraint{0, 0, kInf, kInf}, Size{25, 35}},
      {"negative values become 0", SizeConstraint{-5, -5, -1, -1}, LayoutParams{}, Size{25, 35},
       SizeConstraint{0, 0, 0, 0}, Size{0, 0}},
  };
  for (const Case& c : cases) {
    TestLeaf leaf(c.content);
    leaf.set_params(c.params);
    const Size desired = leaf.measure(c.constraint, LayoutContext{});
    EXPECT_EQ(leaf.last_constraint, c.expected_content_constraint) << c.name;
    EXPECT_EQ(desired, c.expected_desired) << c.name;
  }
}

// Measures `leaf` with `params` unbounded and arranges it in the offer
// (100, 50, 200, 100) in the given direction.
void place_in_offer(TestLeaf& leaf, const LayoutParams& params, std::int32_t direction) {
  leaf.set_params(params);
  LayoutContext context;
  context.direction = direction;
  leaf.measure(make_unbounded_size(kInf, kInf), context);
  leaf.arrange(LayoutRect{100, 50, 200, 100}, context);
}

TEST(LayoutNodeTest, ArrangeAlignsAndFlipsHorizontallyInRightToLeft) {
  struct Case {
    Alignment horizontal;
    Alignment vertical;
    std::int32_t direction;
    LayoutRect expected;
  };
  // Desired content 40 x 20 inside (100, 50, 200, 100).
  const Case cases[] = {
      {kAlignStretch, kAlignStretch, kLayoutLeftToRight, {100, 50, 200, 100}},
      {kAlignStart, kAlignStart, kLayoutLeftToRight, {100, 50, 40, 20}},
      {kAlignCenter, kAlignCenter, kLayoutLeftToRight, {180, 90, 40, 20}},
      {kAlignEnd, kAlignEnd, kLayoutLeftToRight, {260, 130, 40, 20}},
      {kAlignStretch, kAlignStart, kLayoutRightToLeft, {100, 50, 200, 20}},
      {kAlignStart, kAlignStart, kLayoutRightToLeft, {260, 50, 40, 20}},
      {kAlignCenter, kAlignEnd, kLayoutRightToLeft, {180, 130, 40, 20}},
      {kAlignEnd, kAlignStart, kLayoutRightToLeft, {100, 50, 40, 20}},
  };
  for (const Case& c : cases) {
    TestLeaf leaf(Size{40, 20});
    LayoutParams params;
    params.horizontal_alignment = c.horizontal;
    params.vertical_alignment = c.vertical;
    place_in_offer(leaf, params, c.direction);
    EXPECT_EQ(leaf.bounds(), c.expected)
        << "h " << c.horizontal << " v " << c.vertical << " dir " << c.direction;
    EXPECT_EQ(leaf.direction(), c.direction);
  }
}

TEST(LayoutNodeTest, ArrangeHonoursLimitsAndPlacesAStretchedNodeByDirection) {
  struct Case {
    const char* name;
    float min_width;
    float max_width;
    std::int32_t direction;
    LayoutRect expected;
  };
  // Offered (100, 50, 200, 100), stretched on both axes.
  const Case cases[] = {
      {"max width, left to right", 0, 50, kLayoutLeftToRight, {100, 50, 50, 100}},
      {"max width, right to left", 0, 50, kLayoutRightToLeft, {250, 50, 50, 100}},
      {"max below min counts as min", 80, 20, kLayoutLeftToRight, {100, 50, 80, 100}},
      {"min above the offer is cut to it", 500, kInf, kLayoutRightToLeft, {100, 50, 200, 100}},
  };
  for (const Case& c : cases) {
    TestLeaf leaf(Size{10, 10});
    LayoutParams params;
    params.min_width = c.min_width;
    params.max_width = c.max_width;
    place_in_offer(leaf, params, c.direction);
    EXPECT_EQ(leaf.bounds(), c.expected) << c.name;
  }
}

TEST(LayoutNodeTest, NeverExceedsTheOfferedSpace) {
  TestLeaf leaf(Size{10, 10});
  LayoutParams params;
  params.width = 500;
  params.has_width = true;
  params.min_height = 400;
  leaf.set_params(params);
  leaf.measure(make_unbounded_size(300, 300), LayoutContext{});
  leaf.arrange(LayoutRect{0, 0, 300, 200}, LayoutContext{});
  EXPECT_EQ(leaf.bounds(), (LayoutRect{0, 0, 300, 200}));
}

TEST(LayoutNodeTest, CollapsedNodeTakesNoSizeAndNoMargins) {
  TestLeaf leaf(Size{50, 50});
  LayoutParams params;
  params.margin = Thickness{10, 10, 10, 10};
  params.padding = Thickness{3, 3, 3, 3};
  params.width = 80;
  params.has_width = true;
  params.visibility = kCollapsed;
  leaf.set_params(params);

  EXPECT_EQ(leaf.measure(SizeConstraint{20, 20, 100, 100}, LayoutContext{}), (Size{0, 0}));
  EXPECT_EQ(leaf.measure_calls, 0);
  EXPECT_TRUE(leaf.is_measured());

  leaf.arrange(LayoutRect{7, 9, 100, 100}, LayoutContext{});
  EXPECT_EQ(leaf.bounds(), (LayoutRect{7, 9, 0, 0}));
  EXPECT_EQ(leaf.surface_bounds(), (LayoutRect{7, 9, 0, 0}));
  EXPECT_EQ(leaf.arrange_calls, 1);
  EXPECT_EQ(leaf.last_content_rect, (LayoutRect{7, 9, 0, 0}));
}

TEST(LayoutNodeTest, SecondMeasureWithTheSameKeySkipsTheOverride) {
  const Theme light = Theme::light(kDefaultAccent);
  const Theme dark = Theme::dark(kDefaultAccent);
  LayoutContext base;
  base.theme = &light;
  base.revision = 5;

  struct Change {
    const char* name;
    LayoutContext context;
    SizeConstraint constraint;
  };
  const SizeConstraint constraint{0, 0, 300, kInf};
  LayoutContext bumped = base;
  bumped.revision = 6;
  LayoutContext other_dpi = base;
  other_dpi.dpi = 144;
  LayoutContext other_theme = base;
  other_theme.theme = &dark;
  LayoutContext right_to_left = base;
  right_to_left.direction = kLayoutRightToLeft;
  NullMeasurer measurer;
  LayoutContext with_measurer = base;
  with_measurer.text_measurer = &measurer;
  const Change changes[] = {
      {"revision", bumped, constraint},
      {"dpi", other_dpi, constraint},
      {"theme", other_theme, constraint},
      {"direction", right_to_left, constraint},
      {"text measurer", with_measurer, constraint},
      {"constraint", base, SizeConstraint{0, 0, 301, kInf}},
  };
  for (const Change& change : changes) {
    TestLeaf leaf(Size{10, 10});
    leaf.measure(constraint, base);
    leaf.measure(constraint, base);
    EXPECT_EQ(leaf.measure_calls, 1) << change.name;
    leaf.measure(change.constraint, change.context);
    EXPECT_EQ(leaf.measure_calls, 2) << change.name;
  }

  // Parameters stored before the first measure invalidate nothing above.
  PassThroughPanel panel;
  auto* child = static_cast<TestLeaf*>(panel.add_child(std::make_unique<TestLeaf>(Size{10, 10})));
  panel.measure(constraint, base);
  LayoutNode& unmeasured = *panel.add_child(std::make_unique<TestLeaf>());
  panel.measure(constraint, base);
  ASSERT_TRUE(panel.is_measured());
  ASSERT_FALSE(unmeasured.is_measured());
  unmeasured.store_layout_params(LayoutParams{});
  EXPECT_TRUE(panel.is_measured());
  child->set_params(LayoutParams{});
  EXPECT_FALSE(panel.is_measured());

  // Replacing the parameters invalidates the cache.
  TestLeaf leaf(Size{10, 10});
  leaf.measure(constraint, base);
  LayoutParams params;
  params.margin.left = 4;
  leaf.set_params(params);
  EXPECT_FALSE(leaf.is_measured());
  EXPECT_EQ(leaf.measure(constraint, base), (Size{14, 10}));
  EXPECT_EQ(leaf.measure_calls, 2);
}

TEST(LayoutNodeTest, InvalidationClimbsUntilAClearedParent) {
  PassThroughPanel root;
  auto* middle = static_cast<PassThroughPanel*>(root.add_child(std::make_unique<PassThroughPanel>()));
  auto* leaf = static_cast<TestLeaf*>(middle->add_child(std::make_unique<TestLeaf>(Size{10, 10})));
  EXPECT_EQ(leaf->parent(), middle);
  EXPECT_EQ(middle->parent(), &root);

  const SizeConstraint c{0, 0, 100, 100};
  root.measure(c, LayoutContext{});
  root.measure(c, LayoutContext{});
  EXPECT_EQ(root.measure_calls, 1);
  EXPECT_EQ(leaf->measure_calls, 1);

  leaf->set_content(Size{30, 30});
  leaf->invalidate_upward();
  EXPECT_FALSE(leaf->is_measured());
  EXPECT_FALSE(middle->is_measured());
  EXPECT_FALSE(root.is_measured());
  EXPECT_EQ(root.measure(c, LayoutContext{}), (Size{30, 30}));
  EXPECT_EQ(root.measure_calls, 2);
  EXPECT_EQ(leaf->measure_calls, 2);

  // A middle node whose flag is already clear stops the walk: the root keeps
  // its cached result.
  root.measure(c, LayoutContext{});
  middle->set_parent(nullptr);
  middle->invalidate_upward();
  middle->set_parent(&root);
  ASSERT_TRUE(root.is_measured());
  leaf->invalidate_upward();
  EXPECT_FALSE(leaf->is_measured());
  EXPECT_TRUE(root.is_measured());
}

TEST(LayoutNodeTest, AddingAChildInvalidatesAMeasuredPanel) {
  PassThroughPanel panel;
  panel.measure(SizeConstraint{}, LayoutContext{});
  ASSERT_TRUE(panel.is_measured());
  panel.add_child(std::make_unique<TestLeaf>());
  EXPECT_FALSE(panel.is_measured());

  try {
    panel.add_child(nullptr);
    FAIL() << "a null child was accepted";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "layout child must not be null");
  }
  EXPECT_EQ(panel.child_count(), 1u);
  EXPECT_EQ(panel.child_at(1), nullptr);
}

TEST(LayoutNodeTest, ArrangeAfterAnOlderCacheHitRestoresThatMeasure) {
  // The panel passes its own constraint down, so the child's state follows
  // whichever constraint the panel saw last.
  PassThroughPanel panel;
  auto* leaf = static_cast<TestLeaf*>(panel.add_child(std::make_unique<TestLeaf>(Size{500, 10})));
  LayoutParams params;
  params.horizontal_alignment = kAlignStart;
  leaf->set_params(params);

  panel.measure(make_unbounded_size(100, kInf), LayoutContext{});
  panel.measure(make_unbounded_size(200, kInf), LayoutContext{});
  // Served from the cache: the leaf last ran under 200.
  EXPECT_EQ(panel.measure(make_unbounded_size(100, kInf), LayoutContext{}), (Size{100, 10}));
  EXPECT_EQ(panel.measure_calls, 2);

  panel.arrange(LayoutRect{0, 0, 300, 50}, LayoutContext{});
  EXPECT_EQ(leaf->bounds().width, 100);
  EXPECT_EQ(panel.measure_calls, 3);
}

TEST(LayoutNodeTest, ClampSizeNormalisesTheConstraint) {
  EXPECT_EQ(LayoutNode::clamp_size(SizeConstraint{10, 10, 5, 50}, Size{1, 100}), (Size{10, 50}));
  EXPECT_EQ(LayoutNode::clamp_size(SizeConstraint{}, Size{-3, kNaN}), (Size{0, 0}));
  EXPECT_EQ(LayoutNode::clamp_size(SizeConstraint{}, Size{kInf, 7}), (Size{kInf, 7}));
}

}  // namespace
}  // namespace win32_ui::layout
