#include "ui/platform/classic/layout_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/fakes/ui/platform/fake_window_positioner.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/layout/grid_panel.h"
#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using layout::GridCell;
using layout::GridLength;
using layout::GridPanel;
using layout::HwndElement;
using quorvel::test::FakeWindowPositioner;

bool has_host_subclass(HWND window) {
  return find_window_subclass(window, &LayoutHost::subclass_procedure,
                              kClassicLayoutHostSubclass, nullptr);
}

RECT child_rect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool has_visible_style(HWND window) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A leaf of a fixed size (DIP) at the start of its cell.
std::unique_ptr<HwndElement> sized(HWND window, float width, float height,
                                   layout::Visibility visibility = layout::kVisible) {
  auto element = std::make_unique<HwndElement>(window);
  layout::LayoutParams params;
  params.width = width;
  params.has_width = true;
  params.height = height;
  params.has_height = true;
  params.horizontal_alignment = layout::kAlignStart;
  params.vertical_alignment = layout::kAlignStart;
  params.visibility = visibility;
  element->store_layout_params(params);
  return element;
}

// Two cells side by side, each as wide as its content, no spacing.
std::unique_ptr<GridPanel> row_of(std::unique_ptr<HwndElement> first,
                                  std::unique_ptr<HwndElement> second) {
  auto grid = std::make_unique<GridPanel>(
      std::vector<GridLength>{GridLength::automatic(), GridLength::automatic()},
      std::vector<GridLength>{GridLength::automatic()}, 0.0f, 0.0f, layout::Thickness{});
  grid->add_child(std::move(first), GridCell{0, 0, 1, 1});
  grid->add_child(std::move(second), GridCell{1, 0, 1, 1});
  return grid;
}

class LayoutHostTest : public testing::Test {
 protected:
  LayoutHostTest() : window_(400, 200), host_(positioner_) {
    first_ = window_.add_child(L"BUTTON", L"First", BS_PUSHBUTTON, {0, 0, 1, 1}, 1);
    second_ = window_.add_child(L"BUTTON", L"Second", BS_PUSHBUTTON, {0, 0, 1, 1}, 2);
  }

  FakeWindowPositioner positioner_;
  test::ControlTestWindow window_;
  LayoutHost host_;
  HWND first_ = nullptr;
  HWND second_ = nullptr;
};

TEST_F(LayoutHostTest, MovesEveryControlInOneBatchWithItsShowOrHideFlags) {
  host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30, layout::kHidden)));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  EXPECT_TRUE(has_host_subclass(window_.hwnd()));

  const struct {
    bool repaint;
    UINT visible_flags;
    UINT hidden_flags;
  } cases[] = {{true, 0x254, 0x294}, {false, 0x25C, 0x29C}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repaint ? "repaint" : "no repaint");
    positioner_.deferrals.clear();
    positioner_.begin_calls = 0;
    positioner_.end_calls = 0;
    EXPECT_TRUE(host_.apply(c.repaint));
    EXPECT_EQ(positioner_.begin_calls, 1);
    EXPECT_EQ(positioner_.end_calls, 1);
    ASSERT_EQ(positioner_.deferrals.size(), 2u);
    EXPECT_EQ(positioner_.deferrals[0].window, first_);
    EXPECT_EQ(positioner_.deferrals[0].flags, c.visible_flags);
    EXPECT_EQ(positioner_.deferrals[1].window, second_);
    EXPECT_EQ(positioner_.deferrals[1].flags, c.hidden_flags);
    EXPECT_TRUE(positioner_.moves.empty());
  }
}

TEST_F(LayoutHostTest, HiddenKeepsItsPlaceAndCollapsedTakesNone) {
  QUORVEL_REQUIRE_DPI(96);
  const struct {
    const char* name;
    layout::Visibility first;
    bool first_shown;
    LONG second_left;
  } cases[] = {
      {"visible", layout::kVisible, true, 50},
      {"hidden", layout::kHidden, false, 50},
      {"collapsed", layout::kCollapsed, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host_.set_root(row_of(sized(first_, 50, 30, c.first), sized(second_, 60, 30)));
    ASSERT_TRUE(host_.attach(window_.hwnd()));
    EXPECT_EQ(has_visible_style(first_), c.first_shown);
    EXPECT_TRUE(has_visible_style(second_));
    const RECT second = child_rect(second_);
    EXPECT_EQ(second.left, c.second_left);
    EXPECT_EQ(second.right - second.left, 60);
    EXPECT_EQ(second.bottom - second.top, 30);
  }
}

TEST_F(LayoutHostTest, NeverMovesAWindowOfAnotherParent) {
  test::ControlTestWindow other;
  HWND foreign = other.add_child(L"BUTTON", L"Foreign", BS_PUSHBUTTON, {5, 6, 25, 26}, 9);
  const RECT before = child_rect(foreign);
  host_.set_root(row_of(sized(foreign, 50, 30), sized(second_, 60, 30)));
  ASSERT_TRUE(host_.attach(window_.hwnd()));

  EXPECT_EQ(test::edges(child_rect(foreign)), test::edges(before));
  ASSERT_EQ(positioner_.deferrals.size(), 1u);
  EXPECT_EQ(positioner_.deferrals[0].window, second_);

  // Nor on the direct path.
  positioner_.fail_begin = true;
  EXPECT_TRUE(host_.apply(true));
  EXPECT_EQ(test::edges(child_rect(foreign)), test::edges(before));
  for (const auto& move : positioner_.moves) EXPECT_NE(move.window, foreign);
}

TEST_F(LayoutHostTest, FailedBatchFallsBackToMovingAndShowingOneByOne) {
  QUORVEL_REQUIRE_DPI(96);
  const struct {
    const char* name;
    bool fail_begin;
    int fail_deferral;
  } cases[] = {{"begin fails", true, -1}, {"first deferral fails", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShowWindow(first_, SW_HIDE);
    ShowWindow(second_, SW_SHOW);
    host_.set_root(nullptr);
    ASSERT_TRUE(host_.attach(window_.hwnd()));
    positioner_.fail_begin = c.fail_begin;
    positioner_.fail_deferral = c.fail_deferral;
    positioner_.deferrals.clear();
    positioner_.moves.clear();
    positioner_.shows.clear();
    positioner_.end_calls = 0;

    host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30, layout::kHidden)));

    EXPECT_EQ(positioner_.end_calls, 0);
    EXPECT_TRUE(has_visible_style(first_));
    EXPECT_EQ(test::edges(child_rect(first_)), (std::array<LONG, 4>{0, 0, 50, 30}));
    EXPECT_FALSE(has_visible_style(second_));
    ASSERT_EQ(positioner_.moves.size(), 1u);
    EXPECT_EQ(positioner_.moves[0].window, first_);
    EXPECT_EQ(positioner_.moves[0].repaint, TRUE);
    ASSERT_EQ(positioner_.shows.size(), 2u);
    EXPECT_EQ(positioner_.shows[0].window, first_);
    EXPECT_EQ(positioner_.shows[0].command, SW_SHOWNA);
    EXPECT_EQ(positioner_.shows[1].window, second_);
    EXPECT_EQ(positioner_.shows[1].command, SW_HIDE);
    // An already visible control is not shown again.
    positioner_.shows.clear();
    EXPECT_TRUE(host_.apply(false));
    ASSERT_EQ(positioner_.shows.size(), 1u);
    EXPECT_EQ(positioner_.shows[0].command, SW_HIDE);
  }
}

TEST_F(LayoutHostTest, FailingMoveMakesTheDirectPathFail) {
  host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30)));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  positioner_.fail_begin = true;
  positioner_.fail_moves = true;
  EXPECT_FALSE(host_.apply(true));
  EXPECT_EQ(positioner_.moves.size(), 2u);
  positioner_.fail_moves = false;
  EXPECT_TRUE(host_.apply(true));
}

TEST_F(LayoutHostTest, RefusesAPassWhileOneRuns) {
  host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30)));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  std::vector<bool> nested;
  positioner_.during_deferral = [&] { nested.push_back(host_.apply(true)); };
  EXPECT_TRUE(host_.apply(true));
  EXPECT_EQ(nested, (std::vector<bool>{false, false}));
  positioner_.during_deferral = nullptr;
  // Not stuck afterwards.
  EXPECT_TRUE(host_.apply(true));
}

TEST_F(LayoutHostTest, RefusesWithoutAWindowOrATree) {
  EXPECT_FALSE(host_.apply(true));
  host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30)));
  EXPECT_FALSE(host_.apply(true));
  EXPECT_FALSE(host_.attach(nullptr));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  host_.set_root(nullptr);
  EXPECT_FALSE(host_.apply(true));
}

TEST_F(LayoutHostTest, ButtonsMeasureWithTheThemesMetricsOnceOneIsApplied) {
  QUORVEL_REQUIRE_DPI(96);
  HWND blank = window_.add_child(L"BUTTON", L"", BS_PUSHBUTTON, {0, 0, 1, 1}, 3);
  auto element = std::make_unique<HwndElement>(blank);
  layout::LayoutParams params;
  params.horizontal_alignment = layout::kAlignStart;
  params.vertical_alignment = layout::kAlignStart;
  element->store_layout_params(params);
  host_.set_root(std::move(element));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  EXPECT_FALSE(host_.has_theme());
  // Padding 12 on each side of no text, 32 tall.
  EXPECT_EQ(test::edges(child_rect(blank)), (std::array<LONG, 4>{0, 0, 24, 32}));

  const std::uint64_t revision = host_.revision();
  host_.set_theme(Theme::light(kDefaultAccent));
  EXPECT_TRUE(host_.has_theme());
  EXPECT_GT(host_.revision(), revision);
  EXPECT_EQ(test::edges(child_rect(blank)), (std::array<LONG, 4>{0, 0, 24, 28}));
}

TEST_F(LayoutHostTest, FollowsTheWindowsSizeUntilItIsDestroyed) {
  QUORVEL_REQUIRE_DPI(96);
  auto grid = std::make_unique<GridPanel>(std::vector<GridLength>{GridLength::star()},
                                          std::vector<GridLength>{GridLength::star()}, 0.0f,
                                          0.0f, layout::Thickness{});
  grid->add_child(std::make_unique<HwndElement>(first_), GridCell{0, 0, 1, 1});
  host_.set_root(std::move(grid));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  EXPECT_EQ(test::edges(child_rect(first_)), (std::array<LONG, 4>{0, 0, 400, 200}));

  RECT frame = {0, 0, 300, 150};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(window_.hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(test::edges(child_rect(first_)), (std::array<LONG, 4>{0, 0, 300, 150}));

  DestroyWindow(window_.hwnd());
  EXPECT_EQ(host_.window(), nullptr);
  EXPECT_FALSE(host_.apply(true));
}

TEST_F(LayoutHostTest, DetachRemovesTheSubclassAndTheTree) {
  host_.set_root(row_of(sized(first_, 50, 30), sized(second_, 60, 30)));
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  EXPECT_TRUE(host_.attach(window_.hwnd()));
  host_.detach();
  EXPECT_FALSE(has_host_subclass(window_.hwnd()));
  EXPECT_EQ(host_.window(), nullptr);
  EXPECT_EQ(host_.root(), nullptr);
}

TEST_F(LayoutHostTest, AttachingElsewhereLeavesTheFirstWindow) {
  test::ControlTestWindow other;
  ASSERT_TRUE(host_.attach(window_.hwnd()));
  ASSERT_TRUE(host_.attach(other.hwnd()));
  EXPECT_FALSE(has_host_subclass(window_.hwnd()));
  EXPECT_TRUE(has_host_subclass(other.hwnd()));
  EXPECT_EQ(host_.window(), other.hwnd());
}

}  // namespace
}  // namespace win32_ui
