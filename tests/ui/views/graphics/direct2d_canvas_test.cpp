#include "ui/views/graphics/direct2d_canvas.h"

#include <gtest/gtest.h>

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/graphics/graphics_diagnostics.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::TextStyle;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Ink;
using ui::graphics::test::kWhite;
using ui::graphics::test::on_fresh_thread;

// Text through the Direct2D canvas with a Tahoma font at index 1. Only where
// the ink lies is compared: the glyphs differ between back ends and systems.
class Direct2dTextTest : public testing::Test {
 protected:
  void SetUp() override {
    font_ = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    ASSERT_NE(font_, nullptr);
  }
  void TearDown() override { DeleteObject(font_); }

  Ink ink_of(std::wstring_view text, const ui::graphics::Rect& rect, const TextStyle& style) {
    DibTarget target(300, 40);
    const HFONT fonts[] = {font_};
    Direct2dCanvas canvas(target.dc(), target.bounds(), fonts);
    EXPECT_TRUE(canvas.is_active());
    canvas.clear({255, 255, 255});
    canvas.draw_text(text, rect, style);
    EXPECT_TRUE(canvas.flush());
    return target.ink(kWhite);
  }

  static TextStyle line_style(std::int32_t h_align, std::int32_t direction) {
    TextStyle style;
    style.font = 1;
    style.h_align = h_align;
    style.direction = direction;
    style.single_line = true;
    return style;
  }

  HFONT font_ = nullptr;
};

TEST_F(Direct2dTextTest, EndAlignedRightToLeftTextLiesAtTheLeft) {
  const Ink rtl = ink_of(L"Hello", {0, 0, 300, 40}, line_style(2, 1));
  ASSERT_TRUE(rtl.any);
  EXPECT_LT(rtl.right, 150);
  const Ink ltr = ink_of(L"Hello", {0, 0, 300, 40}, line_style(2, 0));
  ASSERT_TRUE(ltr.any);
  EXPECT_GT(ltr.left, 150);
}

TEST_F(Direct2dTextTest, StartAlignedRightToLeftTextLiesAtTheRight) {
  const Ink rtl = ink_of(L"Hello", {0, 0, 300, 40}, line_style(0, 1));
  ASSERT_TRUE(rtl.any);
  EXPECT_GT(rtl.left, 150);
}

TEST_F(Direct2dTextTest, EndEllipsisKeepsTheInkInsideTheRectangle) {
  TextStyle style = line_style(0, 0);
  style.end_ellipsis = true;
  const Ink ink = ink_of(L"HHHHHHHHHHHHHHHHHHHHHHHHHHHHHH", {10, 5, 90, 35}, style);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 90);
  EXPECT_LE(ink.bottom, 35);
}

TEST_F(Direct2dTextTest, FontIndexOutsideTheTableDrawsInTheDefaultFont) {
  TextStyle style = line_style(0, 0);
  style.font = 2;
  EXPECT_TRUE(ink_of(L"Hello", {0, 0, 300, 40}, style).any);
  style.font = 0;
  EXPECT_TRUE(ink_of(L"Hello", {0, 0, 300, 40}, style).any);
}

TEST_F(Direct2dTextTest, SameTextTwiceMakesOneLayout) {
  on_fresh_thread([this] {
    ink_of(L"Hello", {0, 0, 300, 40}, line_style(1, 0));
    ink_of(L"Hello", {0, 0, 300, 40}, line_style(1, 0));
    const GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.layout_entries, 1u);
    EXPECT_EQ(figures.layout_hits, 1u);
    EXPECT_EQ(figures.format_entries, 1u);
    // Another box is another layout of the same format.
    ink_of(L"Hello", {0, 0, 200, 40}, line_style(1, 0));
    EXPECT_EQ(thread_graphics_diagnostics().layout_entries, 2u);
    EXPECT_EQ(thread_graphics_diagnostics().format_entries, 1u);
  });
}

TEST_F(Direct2dTextTest, EmptyTextOrEmptyRectangleDrawsNothingAndStaysOk) {
  EXPECT_FALSE(ink_of(L"", {0, 0, 300, 40}, line_style(0, 0)).any);
  EXPECT_FALSE(ink_of(L"Hello", {10, 10, 10, 40}, line_style(0, 0)).any);
}

}  // namespace
}  // namespace win32_ui::modern::detail
