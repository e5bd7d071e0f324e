#include "ui/platform/theme/themed_button.h"

#include <gtest/gtest.h>

#include "tests/ui/platform/theme/control_test_window.h"

namespace win32_ui {
namespace {

using test::alpha_at;
using test::DibTarget;
using test::rgb;
using C = ThemeColor;

constexpr int kWidth = 120;
constexpr int kHeight = 40;

DRAWITEMSTRUCT button_item(HDC dc, UINT state) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = state;
  item.hDC = dc;
  item.rcItem = {0, 0, kWidth, kHeight};
  return item;
}

class ThemedButtonTest : public testing::TestWithParam<PaintBackend> {};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedButtonTest, testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedButtonTest, FillBorderAndLabelAreTheControlColoursOfToneAndState) {
  const Theme theme = test::distinct_theme();
  const struct {
    ControlTone tone;
    UINT state;
    bool emphasised;
  } cases[] = {
      {kControlToneStandard, 0, false},          {kControlToneStandard, ODS_HOTLIGHT, true},
      {kControlToneStandard, ODS_SELECTED, false}, {kControlToneAccent, 0, false},
      {kControlToneRed, ODS_HOTLIGHT, false},    {kControlToneSelectable, ODS_SELECTED, true},
      {kControlToneAccent, ODS_DISABLED | ODS_SELECTED, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tone " << c.tone << " state " << c.state);
    const ControlColors expected =
        Theme::control_colors(theme, c.tone, visual_state_from_item_state(c.state), c.emphasised);
    ButtonStyle style;
    style.tone = c.tone;
    style.emphasised = c.emphasised;

    DibTarget target(kWidth, kHeight);
    EXPECT_TRUE(draw_themed_button(button_item(target.dc(), c.state), L"", theme, 96, style,
                                   GetParam()));
    EXPECT_EQ(target.pixel(60, 20), rgb(expected.fill));
    EXPECT_EQ(target.pixel(60, 0), rgb(expected.border));
    EXPECT_EQ(target.pixel(0, kHeight / 2), rgb(expected.border));
    EXPECT_EQ(target.pixel(0, 0), rgb(theme.color(C::window_background)));
    EXPECT_EQ(alpha_at(target, 60, 20), test::expected_alpha(GetParam()));

    const ThemedPicture picture =
        themed_button_picture({0, 0, kWidth, kHeight}, c.state, L"Save", theme, 96, style);
    ASSERT_NE(picture.first<PictureText>(), nullptr);
    EXPECT_EQ(picture.first<PictureText>()->color, expected.text);
    EXPECT_EQ(picture.first<PictureText>()->text, L"Save");
  }
}

TEST_P(ThemedButtonTest, FocusRingSitsAtTheFocusInsetUnlessFocusRectanglesAreHidden) {
  const Theme theme = test::distinct_theme();
  const int inset = theme.metric(ThemeMetric::focus_inset);
  const ControlColors colors =
      Theme::control_colors(theme, kControlToneStandard, kVisualStateNormal, false);

  DibTarget focused(kWidth, kHeight);
  draw_themed_button(button_item(focused.dc(), ODS_FOCUS), L"", theme, 96, {}, GetParam());
  EXPECT_EQ(focused.pixel(60, inset), rgb(theme.color(C::focus_ring)));
  EXPECT_EQ(focused.pixel(inset, 20), rgb(theme.color(C::focus_ring)));
  EXPECT_EQ(focused.pixel(60, inset - 1), rgb(colors.fill));
  EXPECT_EQ(focused.pixel(60, inset + 1), rgb(colors.fill));

  DibTarget hidden(kWidth, kHeight);
  draw_themed_button(button_item(hidden.dc(), ODS_FOCUS | ODS_NOFOCUSRECT), L"", theme, 96, {},
                     GetParam());
  EXPECT_EQ(hidden.pixel(60, inset), rgb(colors.fill));
  EXPECT_EQ(hidden.pixel(inset, 20), rgb(colors.fill));
}

TEST_P(ThemedButtonTest, SwatchTakesTheRightOfTheTextArea) {
  const Theme theme = test::distinct_theme();
  ButtonStyle style;
  style.has_swatch = true;
  style.swatch_color = RGB(1, 2, 3);
  DibTarget target(kWidth, kHeight);
  draw_themed_button(button_item(target.dc(), 0), L"", theme, 96, style, GetParam());
  // padding 12, swatch 32 wide: x 76..107, framed in border strong.
  EXPECT_EQ(target.pixel(90, 20), rgb(style.swatch_color));
  EXPECT_EQ(target.pixel(76, 20), rgb(theme.color(C::border_strong)));
  EXPECT_EQ(target.pixel(107, 20), rgb(theme.color(C::border_strong)));
  EXPECT_EQ(target.pixel(74, 20), rgb(theme.color(C::control_background)));

  const ThemedPicture picture =
      themed_button_picture({0, 0, kWidth, kHeight}, 0, L"Colour", theme, 96, style);
  ASSERT_NE(picture.first<PictureText>(), nullptr);
  // The label ends the swatch gap (7) before the swatch.
  EXPECT_EQ(picture.first<PictureText>()->rect.left, 12);
  EXPECT_EQ(picture.first<PictureText>()->rect.right, 76 - 7);
}

TEST_P(ThemedButtonTest, PaintsAFocusedAccentButtonWithItsLabel) {
  const Theme theme = Theme::light(kDefaultAccent);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           L"Tahoma");
  ButtonStyle style;
  style.tone = kControlToneAccent;
  style.font = font;
  DibTarget target(kWidth, kHeight);
  EXPECT_TRUE(draw_themed_button(button_item(target.dc(), ODS_FOCUS), L"Start", theme, 96,
                                 style, GetParam()));
  test::save_png_if_asked(target, "button_" + test::backend_name(GetParam()) + ".png");
  EXPECT_EQ(target.pixel(6, 20), rgb(theme.color(C::accent)));
  DeleteObject(font);
}

TEST_P(ThemedButtonTest, NothingWithoutADeviceContext) {
  EXPECT_FALSE(draw_themed_button(button_item(nullptr, 0), L"x", test::distinct_theme(), 96, {},
                                  GetParam()));
}

TEST_P(ThemedButtonTest, CustomDrawPaintsOnlyBeforeThePaint) {
  const Theme theme = test::distinct_theme();
  test::ControlTestWindow window;
  HWND button = window.add_child(L"BUTTON", L"Go", BS_PUSHBUTTON, {10, 10, 130, 50}, 42);
  const struct {
    DWORD stage;
    LRESULT result;
  } stages[] = {{CDDS_PREPAINT, CDRF_SKIPDEFAULT},
                {CDDS_POSTPAINT, 0},
                {CDDS_PREERASE, 0},
                {CDDS_POSTERASE, 0},
                {CDDS_ITEMPREPAINT, 0}};
  for (const auto& s : stages) {
    SCOPED_TRACE(testing::Message() << "stage " << s.stage);
    DibTarget target(kWidth, kHeight);
    NMCUSTOMDRAW draw{};
    draw.hdr = {button, 42, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.dwDrawStage = s.stage;
    draw.hdc = target.dc();
    draw.rc = {0, 0, kWidth, kHeight};
    draw.uItemState = CDIS_HOT | CDIS_FOCUS;
    EXPECT_EQ(draw_custom_push_button(draw, L"", theme, 96, {}, GetParam()), s.result);
    const ControlColors hot =
        Theme::control_colors(theme, kControlToneStandard, kVisualStateHot, false);
    if (s.stage == CDDS_PREPAINT) {
      EXPECT_EQ(target.pixel(60, 20), rgb(hot.fill));
      EXPECT_EQ(target.pixel(60, theme.metric(ThemeMetric::focus_inset)),
                rgb(theme.color(C::focus_ring)));
    } else {
      EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
    }
  }
}

}  // namespace
}  // namespace win32_ui
