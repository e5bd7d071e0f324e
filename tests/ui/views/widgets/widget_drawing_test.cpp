#include "ui/views/widgets/widget_drawing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/widgets/card.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeViewHost;
using testing::light_palette;
using testing::Painter;
using ui::graphics::Color;

constexpr Color kA{0, 100, 255};
constexpr Color kB{255, 0, 10};

TEST(MixColorTest, EndsGiveTheirColoursAndTheMiddleUsesKOf128) {
  struct Case {
    float t;
    Color expected;
  };
  // k = 128 at one half: (a * 127 + b * 128 + 127) / 255 per channel.
  const Case cases[] = {
      {0.0f, kA},
      {1.0f, kB},
      {0.5f, Color{128, 50, 132}},
      {-3.0f, kA},
      {7.0f, kB},
      {std::numeric_limits<float>::quiet_NaN(), kA},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mix_color(kA, kB, c.t), c.expected) << "t " << c.t;
  }
}

TEST(MixColorTest, MixesEachColourOfAStateRecord) {
  const StateColorValues a{kA, kB, Color{10, 10, 10}};
  const StateColorValues b{kB, kA, Color{20, 30, 40}};
  const StateColorValues mixed = mix_state_colors(a, b, 0.5f);
  EXPECT_EQ(mixed.fill, mix_color(kA, kB, 0.5f));
  EXPECT_EQ(mixed.border, mix_color(kB, kA, 0.5f));
  EXPECT_EQ(mixed.text, mix_color(Color{10, 10, 10}, Color{20, 30, 40}, 0.5f));
}

TEST(EffectiveProgressTest, TheContextsHoveredViewCountsAtOnceAndHighContrastUsesTheFlag) {
  FakeViewHost host;
  Card card;
  card.attach_host(&host);
  const ui::graphics::RenderPalette palette = light_palette();
  DrawContext::Setup setup;
  setup.palette = &palette;
  setup.hovered = &card;
  const DrawContext hovered(setup);
  EXPECT_EQ(effective_progress(card, hovered, ui::graphics::kStateHovered), 1.0f);
  EXPECT_EQ(effective_progress(card, hovered, ui::graphics::kStatePressed), 0.0f);

  card.set_selected(true);
  host.advance(30ms);
  setup.hovered = nullptr;
  const DrawContext normal(setup);
  const float animated = effective_progress(card, normal, ui::graphics::kStateSelected);
  EXPECT_GT(animated, 0.0f);
  EXPECT_LT(animated, 1.0f);

  const ui::graphics::RenderPalette contrast = light_palette(true);
  setup.palette = &contrast;
  const DrawContext high_contrast(setup);
  EXPECT_EQ(effective_progress(card, high_contrast, ui::graphics::kStateSelected), 1.0f);
  card.attach_host(nullptr);
}

TEST(FocusRingTest, DrawnOnlyWithKeyboardCuesGrownThreeDipWithRadiusEleven) {
  Card card;
  card.set_focusable(true);
  card.set_focused(true);
  testing::lay_out(card, {10, 20, 100, 40});
  Painter painter(light_palette());
  painter.setup.scale = 2.0f;
  painter.setup.focused = &card;

  DrawContext::Setup setup = painter.setup;
  setup.canvas = &painter.canvas;
  setup.palette = &painter.palette();
  {
    DrawContext context(setup);
    const auto saved = context.push_view(card);
    painter.canvas.clear();
    draw_focus_ring(card, context);
    context.pop_view(saved);
  }
  EXPECT_TRUE(painter.canvas.calls.empty()) << "a ring without keyboard cues";

  setup.keyboard_cues = true;
  DrawContext context(setup);
  const auto saved = context.push_view(card);
  painter.canvas.clear();
  draw_focus_ring(card, context);
  context.pop_view(saved);
  // Bounds (10, 20, 110, 60) DIP at scale 2, grown by 6 px, radius 22 px.
  ASSERT_EQ(painter.canvas.calls.size(), 1u);
  EXPECT_EQ(painter.canvas.calls[0], "stroke_round_rect 14 34 226 126 22 " +
                                         quorvel::test::FakeCanvas::format(context.outline_color()) +
                                         " 1.5");
}

}  // namespace
}  // namespace win32_ui::modern
