#include "ui/views/widgets/card.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/token_dictionary.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeCanvas;
using quorvel::test::FakeViewHost;
using testing::dark_palette;
using testing::light_palette;
using testing::Painter;
using ui::graphics::Color;

Color quiet_border(const Painter& painter, int surface_weight) {
  const Color s = painter.color(1);
  const Color b = painter.color(4);
  const auto mix = [&](int x, int y) {
    return static_cast<std::uint8_t>((x * surface_weight + y * (255 - surface_weight) + 127) / 255);
  };
  return Color{mix(s.r, b.r), mix(s.g, b.g), mix(s.b, b.b)};
}

// The fill and outline lines of one card paint, 100 x 50 DIP at (0, 0).
struct CardPaint {
  std::string fill;
  std::string stroke;
};

CardPaint paint(Card& card, Painter& painter) {
  const auto& calls = painter.paint(card);
  EXPECT_EQ(calls.size(), 2u);
  return {calls.size() > 0 ? calls[0] : "", calls.size() > 1 ? calls[1] : ""};
}

TEST(CardTest, UnselectedFillsColourOneWithTheQuietBorder) {
  Card card;
  testing::lay_out(card, {0, 0, 100, 50});
  Painter light(light_palette());
  CardPaint p = paint(card, light);
  EXPECT_EQ(p.fill, "fill_round_rect 0 0 100 50 10 " + light.hex(1));
  EXPECT_EQ(p.stroke,
            "stroke_round_rect 0.5 0.5 99.5 49.5 10 " + FakeCanvas::format(quiet_border(light, 113)) +
                " 1");

  Painter dark(dark_palette());
  p = paint(card, dark);
  EXPECT_EQ(p.fill, "fill_round_rect 0 0 100 50 10 " + dark.hex(1));
  EXPECT_NE(p.stroke.find(FakeCanvas::format(quiet_border(dark, 95))), std::string::npos);
}

TEST(CardTest, SelectedAnimatesToTheAccentTintWithAnAccentOutline) {
  FakeViewHost host;
  Card card;
  card.attach_host(&host);
  testing::lay_out(card, {0, 0, 100, 50});
  card.set_selected(true);
  Painter painter(light_palette());

  host.advance(40ms);
  const CardPaint middle = paint(card, painter);
  EXPECT_EQ(middle.fill.find(painter.hex(1)), std::string::npos) << middle.fill;
  EXPECT_EQ(middle.fill.find(painter.hex(12)), std::string::npos) << middle.fill;

  host.advance(1s);
  const CardPaint done = paint(card, painter);
  EXPECT_EQ(done.fill, "fill_round_rect 0 0 100 50 10 " + painter.hex(12));
  EXPECT_NE(done.stroke.find(painter.hex(9)), std::string::npos);
  card.attach_host(nullptr);
}

TEST(CardTest, HighContrastOutlinesWithColourFourThenNineAtOnce) {
  FakeViewHost host;
  Card card;
  card.attach_host(&host);
  testing::lay_out(card, {0, 0, 100, 50});
  Painter painter(light_palette(true));
  EXPECT_NE(paint(card, painter).stroke.find(painter.hex(4)), std::string::npos);

  card.set_selected(true);  // no time passes
  const CardPaint selected = paint(card, painter);
  EXPECT_EQ(selected.fill, "fill_round_rect 0 0 100 50 10 " + painter.hex(12));
  EXPECT_NE(selected.stroke.find(painter.hex(9)), std::string::npos);
  card.attach_host(nullptr);
}

TEST(CardTest, TokensReplaceRadiusWidthAndBorder) {
  Card card;
  testing::lay_out(card, {0, 0, 100, 50});
  auto tokens = std::make_shared<TokenDictionary>();
  tokens->set_metric(kCardRadiusToken, -4.0f);
  tokens->set_metric(kOutlineWidthToken, 3.0f);
  tokens->set_color(kCardBorderToken, Color{1, 2, 3});
  card.set_token_overrides(tokens);
  Painter painter(light_palette());
  const CardPaint p = paint(card, painter);
  EXPECT_EQ(p.fill, "fill_round_rect 0 0 100 50 0 " + painter.hex(1));
  EXPECT_EQ(p.stroke, "stroke_round_rect 1.5 1.5 98.5 48.5 0 #010203 3");
}

TEST(CardTest, IsDecorativeGroup) {
  Card card;
  ElementInfo info;
  card.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kGroup);
  EXPECT_FALSE(info.exposed);
  EXPECT_TRUE(card.animates_state());
}

}  // namespace
}  // namespace win32_ui::modern
