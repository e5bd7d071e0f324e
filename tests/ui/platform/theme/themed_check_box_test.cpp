#include <gtest/gtest.h>

#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/themed_button.h"

namespace win32_ui {
namespace {

using test::DibTarget;
using test::rgb;
using C = ThemeColor;

// At 96 DPI a 24-pixel item holds a 16-pixel box at (2, 4)-(18, 20).
constexpr int kWidth = 120;
constexpr int kHeight = 24;

class ThemedCheckBoxTest : public testing::TestWithParam<PaintBackend> {
 protected:
  ThemedCheckBoxTest() {
    box_ = window_.add_child(L"BUTTON", L"Remember", BS_AUTO3STATE, {10, 10, 130, 34}, 7);
  }

  // Custom-draws the check box in `state` into a fresh target.
  LRESULT paint(DibTarget& target, int check, UINT item_state) {
    SendMessageW(box_, BM_SETCHECK, static_cast<WPARAM>(check), 0);
    NMCUSTOMDRAW draw{};
    draw.hdr = {box_, 7, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.dwDrawStage = CDDS_PREPAINT;
    draw.hdc = target.dc();
    draw.rc = {0, 0, kWidth, kHeight};
    draw.uItemState = item_state;
    return draw_custom_check_box(draw, L"", theme_, 96, {}, GetParam());
  }

  const Theme theme_ = test::distinct_theme();
  test::ControlTestWindow window_;
  HWND box_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedCheckBoxTest, testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedCheckBoxTest, CheckedShowsAnAccentBoxWithAMark) {
  DibTarget target(kWidth, kHeight);
  EXPECT_EQ(paint(target, BST_CHECKED, 0), CDRF_SKIPDEFAULT);
  EXPECT_EQ(target.pixel(5, 17), rgb(theme_.color(C::accent)));
  EXPECT_EQ(target.pixel(10, 4), rgb(theme_.color(C::border_strong)));
  EXPECT_EQ(target.pixel(60, 2), rgb(theme_.color(C::window_background)));
  // On the mark's second stroke, from (9, 15) to (14, 8).
  EXPECT_TRUE(test::nearer(target.pixel(11, 11), theme_.color(C::text_on_accent),
                           theme_.color(C::accent)));
  EXPECT_EQ(test::alpha_at(target, 5, 17), test::expected_alpha(GetParam()));
}

TEST_P(ThemedCheckBoxTest, IndeterminateShowsABarAndNoMark) {
  DibTarget target(kWidth, kHeight);
  EXPECT_EQ(paint(target, BST_INDETERMINATE, 0), CDRF_SKIPDEFAULT);
  // The bar: the box inset by 4 across and 6 down, (6, 10)-(14, 14).
  EXPECT_EQ(target.pixel(10, 12), rgb(theme_.color(C::text_on_accent)));
  EXPECT_EQ(target.pixel(6, 10), rgb(theme_.color(C::text_on_accent)));
  EXPECT_EQ(target.pixel(10, 9), rgb(theme_.color(C::accent)));
  EXPECT_EQ(target.pixel(10, 15), rgb(theme_.color(C::accent)));
  // Where the check mark would run.
  EXPECT_EQ(target.pixel(13, 8), rgb(theme_.color(C::accent)));
  EXPECT_EQ(target.pixel(5, 12), rgb(theme_.color(C::accent)));
}

TEST_P(ThemedCheckBoxTest, DisabledCheckedBoxIsBorderStrong) {
  DibTarget target(kWidth, kHeight);
  EXPECT_EQ(paint(target, BST_CHECKED, CDIS_DISABLED), CDRF_SKIPDEFAULT);
  EXPECT_EQ(target.pixel(5, 17), rgb(theme_.color(C::border_strong)));

  // A disabled window counts as disabled without the custom-draw flag.
  EnableWindow(box_, FALSE);
  DibTarget by_window(kWidth, kHeight);
  paint(by_window, BST_CHECKED, 0);
  EXPECT_EQ(by_window.pixel(5, 17), rgb(theme_.color(C::border_strong)));
}

TEST_P(ThemedCheckBoxTest, HotBoxHasAnAccentOutline) {
  DibTarget target(kWidth, kHeight);
  EXPECT_EQ(paint(target, BST_UNCHECKED, CDIS_HOT), CDRF_SKIPDEFAULT);
  EXPECT_EQ(target.pixel(10, 4), rgb(theme_.color(C::accent)));
  EXPECT_EQ(target.pixel(2, 12), rgb(theme_.color(C::accent)));
  EXPECT_EQ(target.pixel(10, 12), rgb(theme_.color(C::control_background)));

  // Hot but disabled keeps the strong border.
  DibTarget disabled(kWidth, kHeight);
  paint(disabled, BST_UNCHECKED, CDIS_HOT | CDIS_DISABLED);
  EXPECT_EQ(disabled.pixel(10, 4), rgb(theme_.color(C::border_strong)));
}

TEST_P(ThemedCheckBoxTest, FocusRingSurroundsTheBox) {
  DibTarget target(kWidth, kHeight);
  paint(target, BST_UNCHECKED, CDIS_FOCUS);
  // The box grown by 2: (0, 2)-(20, 22).
  EXPECT_EQ(target.pixel(10, 2), rgb(theme_.color(C::focus_ring)));
  EXPECT_EQ(target.pixel(10, 21), rgb(theme_.color(C::focus_ring)));
}

TEST_P(ThemedCheckBoxTest, OnlyThePrePaintStageDraws) {
  DibTarget target(kWidth, kHeight);
  NMCUSTOMDRAW draw{};
  draw.hdr = {box_, 7, static_cast<UINT>(NM_CUSTOMDRAW)};
  draw.dwDrawStage = CDDS_POSTPAINT;
  draw.hdc = target.dc();
  draw.rc = {0, 0, kWidth, kHeight};
  EXPECT_EQ(draw_custom_check_box(draw, L"", theme_, 96, {}, GetParam()), 0);
  EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
}

TEST(CheckBoxPictureTest, LabelFollowsTheBoxInTextOrDisabledColour) {
  const Theme theme = test::distinct_theme();
  CheckBoxStyle style;
  style.text_gap = 8;
  CheckBoxState state;
  ThemedPicture picture =
      check_box_picture({0, 0, kWidth, kHeight}, state, L"Remember", theme, 96, style);
  ASSERT_NE(picture.first<PictureText>(), nullptr);
  EXPECT_EQ(picture.first<PictureText>()->rect.left, 18 + 8);
  EXPECT_EQ(picture.first<PictureText>()->color, theme.color(C::text));
  EXPECT_EQ(picture.first<PictureText>()->format & (DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX),
            static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));

  state.disabled = true;
  picture = check_box_picture({0, 0, kWidth, kHeight}, state, L"Remember", theme, 96, style);
  EXPECT_EQ(picture.first<PictureText>()->color, theme.color(C::text_disabled));
}

}  // namespace
}  // namespace win32_ui
