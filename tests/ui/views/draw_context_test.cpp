#include "ui/views/draw_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

#include "tests/fakes/ui/views/fake_canvas.h"
#include "tests/ui/views/test_views.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeCanvas;
using ui::graphics::Color;
using ui::graphics::Rect;
using ui::graphics::RenderPalette;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Entry k is {k, 2k, 3k} unless set otherwise.
RenderPalette numbered_palette(bool dark = false, bool high_contrast = false) {
  RenderPalette palette;
  for (std::size_t k = 0; k < palette.colors.size(); ++k) {
    const auto v = static_cast<std::uint8_t>(k);
    palette.colors[k] = Color{v, static_cast<std::uint8_t>(2 * v), static_cast<std::uint8_t>(3 * v)};
  }
  palette.dark = dark ? 1 : 0;
  palette.high_contrast = high_contrast ? 1 : 0;
  return palette;
}

DrawContext::Setup setup_with(FakeCanvas* canvas, const RenderPalette* palette, float scale = 1.0f,
                              float scroll = 0.0f) {
  DrawContext::Setup setup;
  setup.canvas = canvas;
  setup.palette = palette;
  setup.scale = scale;
  setup.scroll_offset = scroll;
  return setup;
}

TEST(DrawContextTest, OutlineMixesColoursOneAndEighteenOrTakesEighteenInHighContrast) {
  RenderPalette palette = numbered_palette();
  palette.colors[1] = Color{200, 100, 0};
  palette.colors[18] = Color{0, 120, 255};
  const DrawContext normal(setup_with(nullptr, &palette, 2.0f));
  // (c1 * 151 + c18 * 104 + 127) / 255 per channel, in integers.
  EXPECT_EQ(normal.outline_color(), (Color{118, 108, 104}));
  EXPECT_FLOAT_EQ(normal.outline_width(), 1.5f);

  palette.high_contrast = 1;
  const DrawContext contrast(setup_with(nullptr, &palette, 2.0f));
  EXPECT_EQ(contrast.outline_color(), (Color{0, 120, 255}));
  EXPECT_FLOAT_EQ(contrast.outline_width(), 2.0f);
}

TEST(DrawContextTest, DisabledStateUsesThreeFourEightForEveryTone) {
  for (const bool dark : {false, true}) {
    for (const bool contrast : {false, true}) {
      const RenderPalette palette = numbered_palette(dark, contrast);
      const DrawContext context(setup_with(nullptr, &palette));
      for (int tone = 0; tone <= 4; ++tone) {
        for (const bool accent : {false, true}) {
          SCOPED_TRACE(::testing::PrintToString(std::make_tuple(dark, contrast, tone, accent)));
          EXPECT_EQ(context.state_colors(tone, 3, accent), (StateColors{3, 4, 8}));
        }
      }
    }
  }
}

TEST(DrawContextTest, StateColorsFollowTheFirstMatchingRow) {
  struct Case {
    const char* name;
    bool dark;
    bool contrast;
    int tone;
    int state;
    bool accent;
    StateColors expected;
  };
  const Case cases[] = {
      {"dark contrast tone 1 hovered", true, true, 1, 1, false, {9, 9, 13}},
      {"dark contrast tone 3 pressed", true, true, 3, 2, true, {9, 9, 13}},
      {"dark contrast tone 1 at rest", true, true, 1, 0, false, {1, 4, 6}},
      {"light contrast tone 1 hovered", false, true, 1, 1, false, {2, 4, 6}},
      {"tone 0 at rest", false, false, 0, 0, false, {9, 9, 13}},
      {"tone 0 hovered", false, false, 0, 1, false, {10, 10, 13}},
      {"tone 0 pressed", false, false, 0, 2, false, {11, 11, 13}},
      {"tone 0 in dark contrast", true, true, 0, 1, false, {10, 10, 13}},
      {"tone 2 at rest", false, false, 2, 0, false, {14, 14, 17}},
      {"tone 2 hovered", false, false, 2, 1, false, {15, 15, 17}},
      {"tone 2 pressed", false, false, 2, 2, false, {16, 16, 17}},
      {"tone 3 accent at rest", false, false, 3, 0, true, {12, 9, 6}},
      {"tone 3 accent pressed", false, false, 3, 2, true, {11, 9, 13}},
      {"tone 3 plain hovered", false, false, 3, 1, false, {2, 4, 6}},
      {"tone 1 accent pressed", false, false, 1, 2, true, {3, 9, 6}},
      {"tone 1 at rest", false, false, 1, 0, false, {1, 4, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RenderPalette palette = numbered_palette(c.dark, c.contrast);
    const DrawContext context(setup_with(nullptr, &palette));
    EXPECT_EQ(context.state_colors(c.tone, c.state, c.accent), c.expected);
  }
}

TEST(DrawContextTest, BoundsInPixelsRemoveTheScroll) {
  FakeCanvas canvas;
  const RenderPalette palette = numbered_palette();
  DrawContext context(setup_with(&canvas, &palette, 2.0f, 10.0f));
  View view;
  view.set_padding({1, 2, 3, 4});
  view.arrange({5, 30, 10, 20}, {});

  EXPECT_EQ(context.bounds_px(), Rect{});
  const DrawContext::SavedView saved = context.push_view(view);
  EXPECT_EQ(context.bounds_px(), (Rect{10, 40, 30, 80}));
  EXPECT_EQ(context.surface_bounds_px(), (Rect{12, 44, 24, 72}));
  EXPECT_FLOAT_EQ(context.to_px(3.0f), 6.0f);
  context.pop_view(saved);
  EXPECT_EQ(context.current_view(), nullptr);
}

TEST(DrawContextTest, VisibilityTestsNeedAFiniteNonEmptyDirtyRectangle) {
  struct Case {
    const char* name;
    layout::LayoutRect dirty;
    bool tests;
  };
  const Case cases[] = {
      {"finite", {0, 0, 50, 50}, true},
      {"NaN x", {kNaN, 0, 50, 50}, false},
      {"infinite width", {0, 0, kInf, 50}, false},
      {"zero height", {0, 0, 50, 0}, false},
      {"negative width", {0, 0, -5, 50}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DrawContext::Setup setup = setup_with(nullptr, nullptr);
    setup.dirty_rect = c.dirty;
    const DrawContext context(setup);
    EXPECT_EQ(context.clip().has_value(), c.tests);
    View far_away;
    far_away.arrange({500, 500, 10, 10}, {});
    EXPECT_EQ(context.is_visible(far_away), !c.tests);
  }
}

TEST(DrawContextTest, VisibilityUsesTheGrownRectangleThroughTheTransform) {
  DrawContext::Setup setup = setup_with(nullptr, nullptr, 2.0f, 10.0f);
  setup.dirty_rect = layout::LayoutRect{0, 10, 50, 50};  // clip {0, 0, 100, 100} in pixels
  const DrawContext context(setup);
  ASSERT_EQ(context.clip(), (Rect{0, 0, 100, 100}));

  struct Case {
    const char* name;
    layout::LayoutRect bounds;
    ui::graphics::Transform transform;
    bool visible;
  };
  const ui::graphics::Transform identity;
  const Case cases[] = {
      {"inside", {10, 20, 10, 10}, identity, true},
      {"4 DIP margin touches", {53, 20, 10, 10}, identity, true},
      {"just past the margin", {54, 20, 10, 10}, identity, false},
      {"above, scroll removed", {10, 0, 10, 5}, identity, false},
      {"moved in by its transform", {200, 20, 10, 10}, {1, 0, 0, 1, -180, 0}, true},
      {"rotated out", {40, 20, 10, 10}, {0, 1, -1, 0, 100, 0}, false},
      {"rotated in", {60, 20, 10, 10}, {0, 1, -1, 0, -20, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    View view;
    view.arrange(c.bounds, {});
    view.set_render_transform(c.transform);
    EXPECT_EQ(context.is_visible(view), c.visible);
  }
}

TEST(DrawContextTest, NaNMappedCornerIsVisible) {
  DrawContext::Setup setup = setup_with(nullptr, nullptr);
  setup.dirty_rect = layout::LayoutRect{0, 0, 50, 50};
  const DrawContext context(setup);
  View view;
  view.arrange({1000, 1000, 10, 10}, {});
  ASSERT_FALSE(context.is_visible(view));

  // Finite, but the mapped corners overflow to +inf and -inf, whose sum is NaN.
  view.set_render_transform(3e38f, 0, 3e38f, 1, 0, 0);
  const ui::graphics::Point corner = view.accumulated_transform().map_point({996, 996});
  ASSERT_TRUE(std::isnan(corner.x));
  EXPECT_TRUE(context.is_visible(view));
}

TEST(DrawContextTest, OpacityProductIsClampedAndNaNGivesOne) {
  EXPECT_FLOAT_EQ(DrawContext::combine_opacity(0.5f, 0.5f), 0.25f);
  EXPECT_EQ(DrawContext::combine_opacity(kNaN, 0.5f), 1.0f);
  EXPECT_EQ(DrawContext::combine_opacity(kInf, 0.0f), 1.0f);
  EXPECT_EQ(DrawContext::combine_opacity(2.0f, 1.0f), 1.0f);
  EXPECT_EQ(DrawContext::combine_opacity(-1.0f, 1.0f), 0.0f);
}

TEST(DrawContextTest, PushViewSetsTransformAndOpacityAndPopRestores) {
  FakeCanvas canvas;
  DrawContext context(setup_with(&canvas, nullptr, 2.0f, 5.0f));
  View outer;
  outer.arrange({0, 0, 100, 100}, {});
  outer.set_render_transform(1, 0, 0, 1, 10, 20).set_opacity(0.5f);
  View inner;
  inner.arrange({10, 10, 20, 20}, {});
  inner.set_render_transform(2, 0, 0, 2, 0, 0).set_opacity(0.5f);

  const auto saved_outer = context.push_view(outer);
  const auto saved_inner = context.push_view(inner);

  // Inner: scale 2 about its pivot (20, 20) DIP = (40, 30) px, then outer's
  // (20, 40) px move.
  EXPECT_EQ(canvas.calls, (std::vector<std::string>{"set_transform 1 0 0 1 20 40", "set_opacity 0.5",
                                                    "set_transform 2 0 0 2 -20 10",
                                                    "set_opacity 0.25"}));
  EXPECT_EQ(context.current_view(), &inner);
  context.pop_view(saved_inner);
  EXPECT_EQ(context.current_view(), &outer);
  EXPECT_EQ(context.opacity(), 0.5f);
  context.pop_view(saved_outer);
  EXPECT_EQ(context.opacity(), 1.0f);
  EXPECT_EQ(context.transform().dx, 0.0f);
}

TEST(DrawContextTest, StateQueriesCombineTheRootsViewsAndTheFlags) {
  View hovered;
  View pressed;
  View focused;
  DrawContext::Setup setup = setup_with(nullptr, nullptr);
  setup.hovered = &hovered;
  setup.pressed = &pressed;
  setup.focused = &focused;
  setup.keyboard_cues = true;
  const DrawContext context(setup);
  View flagged;
  flagged.set_pressed(true).set_focused(true);
  View plain;

  EXPECT_TRUE(context.is_hovered(hovered));
  EXPECT_TRUE(context.is_pressed(pressed));
  EXPECT_TRUE(context.is_pressed(flagged));
  EXPECT_TRUE(context.is_focused(focused));
  EXPECT_TRUE(context.shows_focus_ring(flagged));
  EXPECT_FALSE(context.is_hovered(plain));
  EXPECT_FALSE(context.is_pressed(plain));
  EXPECT_FALSE(context.shows_focus_ring(plain));

  setup.keyboard_cues = false;
  EXPECT_FALSE(DrawContext(setup).shows_focus_ring(focused));
  setup.keyboard_cues = true;
  setup.window_focused = false;
  EXPECT_FALSE(DrawContext(setup).shows_focus_ring(focused));
}

TEST(DrawContextTest, FontsDirectionAndPaletteLookups) {
  RenderPalette palette = numbered_palette(true, false);
  DrawContext::Setup setup = setup_with(nullptr, &palette);
  setup.right_to_left = true;
  const DrawContext context(setup);

  EXPECT_EQ(context.font_for(0), 1u);
  EXPECT_EQ(context.font_for(5), 6u);
  ui::graphics::TextStyle style;
  style.font = 3;
  EXPECT_EQ(context.apply_direction(style).direction, 1);
  EXPECT_EQ(context.apply_direction(style).font, 3u);
  setup.right_to_left = false;
  style.direction = 1;
  EXPECT_EQ(DrawContext(setup).apply_direction(style).direction, 0);
  EXPECT_TRUE(context.is_dark());
  EXPECT_FALSE(context.is_high_contrast());
  EXPECT_EQ(context.color(6), (Color{6, 12, 18}));
  EXPECT_EQ(context.color(19), Color{});
  EXPECT_EQ(context.color(-1), Color{});
}

TEST(DrawContextTest, TokenLookupsStartAtTheCurrentView) {
  auto tokens = std::make_shared<TokenDictionary>();
  tokens->set_color(42, {1, 2, 3}).set_metric(43, 6.5f);
  OverlayPanel parent;
  parent.set_token_overrides(tokens);
  View* child = parent.add_child(std::make_unique<View>());
  DrawContext context(setup_with(nullptr, nullptr));

  EXPECT_EQ(context.find_color(42, {9, 9, 9}), (Color{9, 9, 9}));
  const auto saved = context.push_view(*child);
  EXPECT_EQ(context.find_color(42, {9, 9, 9}), (Color{1, 2, 3}));
  EXPECT_EQ(context.find_metric(43, 1.0f), 6.5f);
  EXPECT_EQ(context.find_metric(44, 1.0f), 1.0f);
  context.pop_view(saved);
}

TEST(DrawContextTest, ScaleIsAtLeastATenThousandth) {
  EXPECT_FLOAT_EQ(DrawContext(setup_with(nullptr, nullptr, 0.0f)).scale(), 1e-4f);
  EXPECT_FLOAT_EQ(DrawContext(setup_with(nullptr, nullptr, -3.0f)).scale(), 1e-4f);
}

}  // namespace
}  // namespace win32_ui::modern
