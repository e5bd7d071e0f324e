#include "ui/views/stack_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "tests/ui/views/test_views.h"

namespace win32_ui::modern {
namespace {

using testing::make_sized;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<View*> add_three(StackPanel& panel, float size) {
  std::vector<View*> children;
  for (int i = 0; i < 3; ++i) children.push_back(panel.add_child(make_sized(size, size)));
  return children;
}

TEST(StackPanelTest, ShrinksEveryChildByOneFactorKeepingTheSpacing) {
  StackPanel panel(StackPanel::kVertical, 10.0f);
  const std::vector<View*> children = add_three(panel, 50.0f);
  testing::lay_out(panel, 0, 0, 100, 100);

  // S = 170, G = 20, f = (100 - 20) / (170 - 20) = 80 / 150.
  const float extent = 50.0f * 80.0f / 150.0f;
  float y = 0.0f;
  for (View* child : children) {
    SCOPED_TRACE(y);
    const layout::LayoutRect& box = child->bounds();
    EXPECT_FLOAT_EQ(box.y, y);
    EXPECT_NEAR(box.height, 26.67f, 0.005f);
    EXPECT_FLOAT_EQ(box.height, extent);
    EXPECT_EQ(box.width, 50.0f);
    y += extent + 10.0f;
  }
  EXPECT_FLOAT_EQ(children[2]->bounds().y + children[2]->bounds().height, 100.0f);
}

TEST(StackPanelTest, MeasuresSumPlusSpacingAlongAndLargestAcross) {
  StackPanel panel(StackPanel::kHorizontal, 4.0f);
  panel.add_child(make_sized(10, 30));
  panel.add_child(make_sized(20, 10));
  const layout::Size desired = panel.measure(layout::make_unbounded_size(500, 500), {});
  EXPECT_EQ(desired, (layout::Size{34, 30}));
}

TEST(StackPanelTest, CollapsedChildAddsNeitherSizeNorSpacing) {
  StackPanel panel(StackPanel::kVertical, 10.0f);
  View* first = panel.add_child(make_sized(20, 20));
  View* collapsed = panel.add_child(make_sized(20, 20));
  View* last = panel.add_child(make_sized(20, 20));
  layout::LayoutParams params = collapsed->layout_params();
  params.visibility = layout::kCollapsed;
  collapsed->set_layout_params(params);

  const layout::Size desired = panel.measure(layout::make_unbounded_size(100, 500), {});
  panel.arrange({5, 7, 100, 500}, {});

  EXPECT_EQ(desired, (layout::Size{20, 50}));
  EXPECT_EQ(first->bounds().y, 7.0f);
  EXPECT_EQ(last->bounds().y, 37.0f);
  EXPECT_EQ(collapsed->bounds(), (layout::LayoutRect{5, 7, 0, 0}));
}

TEST(StackPanelTest, HorizontalStackRunsFromTheRightInRightToLeft) {
  StackPanel panel(StackPanel::kHorizontal, 5.0f);
  View* first = panel.add_child(make_sized(20, 10));
  View* second = panel.add_child(make_sized(30, 10));

  testing::lay_out(panel, 0, 0, 100, 10, layout::kLayoutRightToLeft);

  EXPECT_EQ(first->bounds().x, 80.0f);
  EXPECT_EQ(second->bounds().x, 45.0f);
}

TEST(StackPanelTest, NegativeOrNonFiniteSpacingIsStoredAsZero) {
  for (const float spacing : {-3.0f, kNaN, std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(spacing);
    StackPanel panel(StackPanel::kVertical, spacing, {1, 2, 3, 4});
    EXPECT_EQ(panel.spacing(), 0.0f);
    EXPECT_EQ(panel.layout_params().padding, (layout::Thickness{1, 2, 3, 4}));
  }
}

}  // namespace
}  // namespace win32_ui::modern
