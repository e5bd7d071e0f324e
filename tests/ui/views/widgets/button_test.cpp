#include "ui/views/widgets/button.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/widgets/glyph.h"

namespace win32_ui::modern {
namespace {

using namespace std::chrono_literals;
using quorvel::test::FakeCanvas;
using quorvel::test::FakeViewHost;
using testing::dark_palette;
using testing::light_palette;
using testing::Painter;
using ui::graphics::Color;
using ui::graphics::Image;

Image solid_image(std::uint32_t side) {
  const std::vector<std::uint8_t> pixels(side * side * 4, 0x80);
  Image image;
  EXPECT_EQ(Image::from_pixels(side, side, side * 4, pixels, image), S_OK);
  return image;
}

Color quiet(Color border, Color fill) {
  const auto mix = [](int b, int f) { return static_cast<std::uint8_t>((b * 185 + f * 70 + 127) / 255); };
  return Color{mix(border.r, fill.r), mix(border.g, fill.g), mix(border.b, fill.b)};
}

// ---- measure ----

TEST(ButtonMeasureTest, SizesFromTheEstimate) {
  struct Case {
    const char* name;
    std::wstring text;
    int glyph;
    bool flat;
    std::wstring shortcut;
    layout::Size expected;
  };
  // "AB" estimates to 16 wide, "Record" to 48, both 18 tall in style 4.
  const Case cases[] = {
      {"plain at least 72", L"AB", 0, false, L"", {72, 44}},
      {"plain wide label", L"Record Record", 0, false, L"", {131.5f, 44}},
      {"glyph", L"Record", kGlyphMonitor, false, L"", {116, 44}},
      {"flat glyph", L"Record", kGlyphMonitor, true, L"", {90, 44}},
      {"shortcut at least 192", L"AB", 0, false, L"Ctrl+R", {192, 44}},
      {"shortcut adds 112", L"Record Record", kGlyphMonitor, false, L"F9", {279.5f, 44}},
  };
  for (const Case& c : cases) {
    Button button(1, c.text, c.glyph);
    button.set_flat(c.flat);
    button.set_shortcut_text(c.shortcut);
    EXPECT_EQ(button.measure({}, {}), c.expected) << c.name;
  }
}

TEST(ButtonMeasureTest, AFlatImageButtonPadsByTheIconSize) {
  Button button(1, L"Record", 0);
  button.set_flat(true);
  button.set_icon_images(solid_image(4), {});
  button.set_icon_size(24);
  EXPECT_EQ(button.measure({}, {}), (layout::Size{92, 44}));
}

TEST(ButtonMeasureTest, TallWithoutIconOnlyRaisesTheDefaultHeight) {
  Button plain(1, L"AB", 0);
  plain.set_tall(Button::kLayoutTile);
  EXPECT_EQ(plain.measure({}, {}), (layout::Size{72, 64}));

  Button tile(1, L"Record Record Record", kGlyphCamera);
  tile.set_tall(Button::kLayoutTile);
  // max(25, 151) + 20 wide; max(25 + 7 + 4 + 18 + 3, 64) tall.
  EXPECT_EQ(tile.measure({}, {}), (layout::Size{171, 64}));
  tile.set_icon_images(solid_image(8), {});
  tile.set_icon_size(48);
  EXPECT_EQ(tile.measure({}, {}), (layout::Size{171, 80}));
}

TEST(ButtonMeasureTest, AMeasurersTallLabelWins) {
  testing::FixedTextMeasurer measurer(layout::Size{30, 50});
  layout::LayoutContext context;
  context.text_measurer = &measurer;
  Button button(1, L"AB", 0);
  EXPECT_EQ(button.measure({}, context), (layout::Size{72, 50}));
}

// ---- drawing ----

TEST(ButtonDrawTest, AtRestANormalButtonHasTheQuietOutlineAndAPrimaryOneItsBorder) {
  Button normal(1, L"Go", 0);
  testing::lay_out(normal, {0, 0, 100, 44});
  Painter painter(light_palette());
  auto calls = painter.paint(normal);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "fill_round_rect 0 0 100 44 8 " + painter.hex(1));
  EXPECT_EQ(calls[1], "stroke_round_rect 0.5 0.5 99.5 43.5 8 " +
                          FakeCanvas::format(quiet(painter.color(4), painter.color(1))) + " 1");
  EXPECT_EQ(calls[2], "draw_text \"Go\" 0 0 100 44 font 5 " + painter.hex(6) +
                          " align 1 1 single ellipsis dir 0");

  Button primary(1, L"Go", 0);
  primary.set_primary(true);
  testing::lay_out(primary, {0, 0, 100, 44});
  calls = painter.paint(primary);
  EXPECT_EQ(calls[0], "fill_round_rect 0 0 100 44 8 " + painter.hex(9));
  EXPECT_EQ(calls[1], "stroke_round_rect 0.5 0.5 99.5 43.5 8 " + painter.hex(9) + " 1");
  EXPECT_NE(calls[2].find(painter.hex(13)), std::string::npos);
}

// State 3 wins over the hover the context reports; the hover still counts as
// activity, so the outline is the plain border.
TEST(ButtonDrawTest, WithoutInputItDrawsTheDisabledState) {
  Button button(1, L"Go", 0);
  button.set_input_enabled(false);
  testing::lay_out(button, {0, 0, 100, 44});
  Painter painter(light_palette());
  painter.setup.hovered = &button;
  const auto& calls = painter.paint(button);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "fill_round_rect 0 0 100 44 8 " + painter.hex(3));
  EXPECT_EQ(calls[1], "stroke_round_rect 0.5 0.5 99.5 43.5 8 " + painter.hex(4) + " 1");
  EXPECT_NE(calls[2].find(painter.hex(8)), std::string::npos);
}

TEST(ButtonDrawTest, AFlatButtonAtRestDrawsOnlyItsLabelAndFadesInWhenHovered) {
  FakeViewHost host;
  Button button(1, L"Go", 0);
  button.set_flat(true);
  button.attach_host(&host);
  testing::lay_out(button, {0, 0, 100, 44});
  Painter painter(light_palette());
  auto calls = painter.paint(button);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("draw_text", 0), 0u);

  PointerEvent enter;
  enter.action = kPointerEnter;
  button.dispatch_pointer(enter);
  host.advance(30ms);
  calls = painter.paint(button);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].rfind("fill_round_rect 0 0 100 44 8 ", 0), 0u);
  EXPECT_EQ(calls[0].find(painter.hex(0)), std::string::npos) << "no longer at rest";
  EXPECT_EQ(calls[0].find(painter.hex(2)), std::string::npos) << "not yet fully hovered";

  host.advance(1s);
  calls = painter.paint(button);
  EXPECT_EQ(calls[0], "fill_round_rect 0 0 100 44 8 " + painter.hex(2));
  EXPECT_EQ(calls[1], "stroke_round_rect 0.5 0.5 99.5 43.5 8 " +
                          FakeCanvas::format(mix_color(painter.color(0), painter.color(4), 0.7f)) +
                          " 1");
  button.attach_host(nullptr);
}

// Disabled, a flat button (the control bar's picture buttons) stays at rest
// whatever the pointer and its selection say: no fill and no outline, which
// would read as hovered or pressed. A normal button keeps the disabled fill
// and border. Both draw their label and picture as ink of the disabled text
// colour, in every palette. Enabled and at rest, a flat button draws only its
// label and its own picture.
TEST(ButtonDrawTest, ADisabledButtonDrawsTheDisabledInkAndAFrameOnlyWhenNotFlat) {
  // 2 x 1: an opaque red pixel and a half-covered green one.
  const std::vector<std::uint8_t> pixels{0, 0, 255, 255, 0, 128, 0, 128};
  Image picture;
  ASSERT_EQ(Image::from_pixels(2, 1, 8, pixels, picture), S_OK);
  struct Case {
    const char* name;
    ui::graphics::RenderPalette palette;
    bool flat;
    bool enabled;
    // Under the pointer, pressed and selected.
    bool busy;
  };
  const Case cases[] = {
      {"light flat", light_palette(), true, false, false},
      {"dark flat", dark_palette(), true, false, false},
      {"high contrast flat", light_palette(true), true, false, false},
      {"dark high contrast flat", dark_palette(true), true, false, false},
      {"light flat, busy", light_palette(), true, false, true},
      {"dark flat, busy", dark_palette(), true, false, true},
      {"high contrast flat, busy", light_palette(true), true, false, true},
      {"dark high contrast flat, busy", dark_palette(true), true, false, true},
      {"light normal", light_palette(), false, false, false},
      {"dark normal", dark_palette(), false, false, false},
      {"high contrast normal", light_palette(true), false, false, false},
      {"light flat enabled", light_palette(), true, true, false},
      {"dark flat enabled", dark_palette(), true, true, false},
      {"high contrast flat enabled", light_palette(true), true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Button button(1, L"Go", 0);
    button.set_flat(c.flat);
    button.set_tall(Button::kLayoutTile);
    button.set_icon_images(picture, picture);
    button.set_icon_size(2);
    button.set_selected(c.busy);
    button.set_enabled(c.enabled);
    testing::lay_out(button, {0, 0, 42, 42});
    Painter painter(c.palette);
    if (c.busy) {
      painter.setup.hovered = &button;
      painter.setup.pressed = &button;
    }
    painter.paint(button);

    ASSERT_EQ(painter.canvas.images.size(), 1u);
    const Image& drawn = painter.canvas.images[0];
    const std::vector<std::string> texts = painter.calls_starting("draw_text \"Go\"");
    ASSERT_EQ(texts.size(), 1u);
    if (c.enabled) {
      EXPECT_TRUE(painter.calls_starting("fill_round_rect").empty());
      EXPECT_TRUE(painter.calls_starting("stroke_round_rect").empty());
      EXPECT_EQ(drawn.data(), picture.data());
      EXPECT_NE(texts[0].find(painter.hex(6)), std::string::npos) << texts[0];
      continue;
    }
    if (c.flat) {
      EXPECT_TRUE(painter.calls_starting("fill_round_rect").empty());
      EXPECT_TRUE(painter.calls_starting("stroke_round_rect").empty());
    } else {
      EXPECT_EQ(painter.calls_starting("fill_round_rect"),
                std::vector<std::string>{"fill_round_rect 0 0 42 42 8 " + painter.hex(3)});
      const Color border = c.palette.high_contrast != 0
                               ? painter.color(4)
                               : quiet(painter.color(4), painter.color(3));
      EXPECT_EQ(painter.calls_starting("stroke_round_rect"),
                std::vector<std::string>{"stroke_round_rect 0.5 0.5 41.5 41.5 8 " +
                                         FakeCanvas::format(border) + " 1"});
    }
    EXPECT_NE(texts[0].find(painter.hex(8)), std::string::npos) << texts[0];
    const Color ink = painter.color(8);
    const auto premultiplied = [](std::uint8_t channel, std::uint8_t alpha) {
      return static_cast<std::uint8_t>((channel * alpha + 127) / 255);
    };
    const std::vector<std::uint8_t> expected{
        ink.b, ink.g, ink.r, 255, premultiplied(ink.b, 128), premultiplied(ink.g, 128),
        premultiplied(ink.r, 128), 128};
    EXPECT_EQ(std::vector<std::uint8_t>(drawn.pixels().begin(), drawn.pixels().end()), expected);
  }
}

TEST(ButtonDrawTest, TheDisabledPictureIsMadeOncePerPictureAndColour) {
  const std::vector<std::uint8_t> pixels(4 * 4 * 4, 0x80);
  Image picture;
  ASSERT_EQ(Image::from_pixels(4, 4, 16, pixels, picture), S_OK);
  Button button(1, L"", 0);
  button.set_flat(true);
  button.set_icon_images(picture, picture);
  button.set_icon_size(4);
  button.set_enabled(false);
  testing::lay_out(button, {0, 0, 42, 42});
  Painter light(light_palette());
  light.paint(button);
  const Image first = button.disabled_icon_cache().tinted();
  ASSERT_TRUE(first.valid());

  light.paint(button);
  EXPECT_EQ(light.canvas.images[0].data(), first.data()) << "the same copy again";

  Painter dark(dark_palette());
  dark.paint(button);
  EXPECT_NE(dark.canvas.images[0].data(), first.data()) << "another disabled colour";

  button.set_icon_images(picture, picture);
  EXPECT_FALSE(button.disabled_icon_cache().tinted().valid()) << "new pictures drop the copy";
}

TEST(ButtonDrawTest, TheShortcutChipNeeds192Dip) {
  struct Case {
    float width;
    bool chip;
  };
  for (const Case c : {Case{191, false}, Case{192, true}}) {
    Button button(1, L"Record", 0);
    button.set_shortcut_text(L"F9");
    testing::lay_out(button, {0, 0, c.width, 44});
    Painter painter(light_palette());
    painter.paint(button);
    const auto texts = painter.calls_starting("draw_text");
    ASSERT_EQ(texts.size(), c.chip ? 2u : 1u) << c.width;
    if (!c.chip) continue;
    // Label end moved in by 112; chip 98 from the right, 88 wide, 7 inset.
    EXPECT_EQ(texts[0].rfind("draw_text \"Record\" 0 0 80 44 ", 0), 0u) << texts[0];
    EXPECT_EQ(texts[1], "draw_text \"F9\" 94 7 182 37 font 4 " + painter.hex(6) +
                            " align 1 1 single dir 0");
    EXPECT_EQ(painter.calls_starting("stroke_round_rect 94 7 182 37 7 ").size(), 1u);
  }
}

TEST(ButtonDrawTest, ARowGlyphSitsAtTheStartAndTheLabelMovesIn) {
  Button button(1, L"Record", kGlyphSpokes);
  testing::lay_out(button, {0, 0, 200, 44});
  Painter painter(light_palette());
  painter.paint(button);
  // A 22 DIP box 18 DIP from the start: the circle has radius 0.36 * 22.
  EXPECT_EQ(painter.calls_starting("stroke_ellipse").size(), 1u);
  const auto texts = painter.calls_starting("draw_text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("draw_text \"Record\" 50 0 200 44 font 5 " + painter.hex(6) +
                               " align 0 1 ",
                           0),
            0u)
      << texts[0];
}

TEST(ButtonDrawTest, TheTileLayoutPutsTheLabelBelowTheIcon) {
  Button button(1, L"Record", kGlyphSpokes);
  button.set_tall(Button::kLayoutTile);
  testing::lay_out(button, {0, 0, 100, 64});
  Painter painter(light_palette());
  painter.paint(button);
  const auto texts = painter.calls_starting("draw_text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("draw_text \"Record\" 0 35 100 61 font 5 " + painter.hex(6) +
                               " align 1 1 ",
                           0),
            0u)
      << texts[0];
}

TEST(ButtonDrawTest, ALightOnlyImageInADarkPaletteDrawsNoIconAndCentresTheLabel) {
  Button button(1, L"Record", 0);
  button.set_icon_images(solid_image(16), {});
  testing::lay_out(button, {0, 0, 200, 44});
  Painter dark(dark_palette());
  dark.paint(button);
  EXPECT_TRUE(dark.calls_starting("draw_image").empty());
  const auto texts = dark.calls_starting("draw_text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("draw_text \"Record\" 0 0 200 44 font 5 " + dark.hex(6) + " align 1 1 ",
                           0),
            0u)
      << texts[0];

  Painter light(light_palette());
  light.paint(button);
  EXPECT_EQ(light.calls_starting("draw_image").size(), 1u);
}

TEST(ButtonDrawTest, HighContrastPicksTheDarkImageForALightText) {
  Button button(1, L"Record", 0);
  button.set_icon_images(solid_image(8), solid_image(4));
  testing::lay_out(button, {0, 0, 200, 44});
  ui::graphics::RenderPalette palette = light_palette(true);
  palette.colors[6] = Color{255, 255, 255};
  Painter light_text(palette);
  light_text.paint(button);
  ASSERT_EQ(light_text.calls_starting("draw_image").size(), 1u);
  EXPECT_EQ(light_text.calls_starting("draw_image")[0].rfind("draw_image 4x4 ", 0), 0u);

  palette.colors[6] = Color{0, 0, 0};
  Painter dark_text(palette);
  dark_text.paint(button);
  EXPECT_EQ(dark_text.calls_starting("draw_image")[0].rfind("draw_image 8x8 ", 0), 0u);
}

TEST(ButtonDrawTest, TheFocusRingIsInsetThreeWithRadiusSix) {
  Button button(1, L"Go", 0);
  button.set_focused(true);
  testing::lay_out(button, {0, 0, 100, 44});
  Painter painter(light_palette());
  painter.setup.focused = &button;
  painter.setup.keyboard_cues = true;
  const auto& calls = painter.paint(button);
  EXPECT_EQ(calls.back().rfind("stroke_round_rect 3 3 97 41 6 ", 0), 0u) << calls.back();
}

}  // namespace
}  // namespace win32_ui::modern
