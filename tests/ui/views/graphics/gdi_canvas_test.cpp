#include "ui/views/graphics/gdi_canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/views/graphics/paint_target.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::Color;
using ui::graphics::Image;
using ui::graphics::TextStyle;
using ui::graphics::test::DibTarget;
using ui::graphics::test::kBlack;
using ui::graphics::test::kWhite;
using ui::graphics::test::Rgb;

constexpr Color kRed{255, 0, 0};
constexpr Color kBlue{0, 0, 255};
constexpr Rgb kRedRgb{255, 0, 0};
constexpr Rgb kBlueRgb{0, 0, 255};

Image opaque_pixel(Rgb color) {
  const std::vector<std::uint8_t> pixels = {color.b, color.g, color.r, 255};
  Image image;
  EXPECT_EQ(Image::from_pixels(1, 1, 4, pixels, image), S_OK);
  return image;
}

// Leaves blue in this thread's back buffer for `target`, so that a later
// copy of pixels nobody drew would show.
void stain_back_buffer(const DibTarget& target) {
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.fill_rect({0, 0, static_cast<float>(target.width()), static_cast<float>(target.height())},
                   kBlue);
  // Copied onto the target; the test repaints it.
  EXPECT_TRUE(canvas.flush());
}

TEST(GdiCanvasTest, ReportsItsBackendAndFeatures) {
  DibTarget target(8, 8);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  EXPECT_EQ(canvas.backend(), 1);
  for (const int feature : {4, 8, 16, 32}) EXPECT_TRUE(canvas.supports(feature)) << feature;
  for (const int feature : {0, 1, 2, 64, 128, 12}) EXPECT_FALSE(canvas.supports(feature)) << feature;
}

TEST(GdiCanvasTest, NothingDrawnCopiesNothing) {
  DibTarget target(40, 40);
  stain_back_buffer(target);
  target.fill(kWhite);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.clip_rect({0, 0, 10, 10});
  canvas.save();
  canvas.restore();
  EXPECT_TRUE(canvas.flush());
  EXPECT_FALSE(target.ink(kWhite).any);
}

TEST(GdiCanvasTest, TargetWithAnEmptyClipBoxGetsNothingCopied) {
  DibTarget target(40, 40, kWhite);
  IntersectClipRect(target.dc(), 0, 0, 0, 0);
  RECT box{};
  ASSERT_EQ(GetClipBox(target.dc(), &box), NULLREGION);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.fill_rect({0, 0, 40, 40}, kRed);
  // Were the region taken at the end, this would let the copy through.
  SelectClipRgn(target.dc(), nullptr);
  EXPECT_TRUE(canvas.flush());
  EXPECT_FALSE(target.ink(kWhite).any);
}

TEST(GdiCanvasTest, CopyIsLimitedToTheTargetsClipBox) {
  DibTarget target(40, 40, kWhite);
  IntersectClipRect(target.dc(), 0, 0, 20, 40);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.fill_rect({0, 0, 40, 40}, kRed);
  SelectClipRgn(target.dc(), nullptr);
  EXPECT_TRUE(canvas.flush());
  EXPECT_EQ(target.pixel(10, 10), kRedRgb);
  EXPECT_EQ(target.pixel(30, 10), kWhite);
}

TEST(GdiCanvasTest, ClipBeforeTheFirstDrawingNarrowsTheCopy) {
  DibTarget target(40, 40);
  stain_back_buffer(target);
  target.fill(kWhite);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.clip_rect({10, 10, 20, 20});
  canvas.fill_rect({0, 0, 40, 40}, kRed);
  EXPECT_TRUE(canvas.flush());
  EXPECT_EQ(target.pixel(15, 15), kRedRgb);
  const ui::graphics::test::Ink ink = target.ink(kWhite);
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.top, 10);
  EXPECT_EQ(ink.right, 20);
  EXPECT_EQ(ink.bottom, 20);
}

TEST(GdiCanvasTest, ClipAfterDrawingStartedDoesNotNarrowTheCopy) {
  DibTarget target(40, 40, kWhite);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.fill_rect({0, 0, 40, 40}, kRed);
  canvas.clip_rect({10, 10, 20, 20});
  canvas.fill_rect({0, 0, 40, 40}, kBlue);
  EXPECT_TRUE(canvas.flush());
  EXPECT_EQ(target.pixel(15, 15), kBlueRgb);
  EXPECT_EQ(target.pixel(5, 5), kRedRgb);
  EXPECT_EQ(target.pixel(35, 35), kRedRgb);
}

TEST(GdiCanvasTest, DrawsInTheTargetsCoordinatesInsideItsBounds) {
  DibTarget target(40, 40, kWhite);
  {
    GdiCanvas canvas(target.dc(), {20, 20, 40, 40}, {});
    ASSERT_TRUE(canvas.valid());
    canvas.fill_rect({0, 0, 30, 30}, kRed);
  }  // the destructor flushes
  EXPECT_EQ(target.pixel(25, 25), kRedRgb);
  EXPECT_EQ(target.pixel(10, 10), kWhite);
  EXPECT_EQ(target.pixel(25, 10), kWhite);
}

TEST(GdiCanvasTest, PushLayerIsNoLayerButClipsAndGivesImagesItsOpacity) {
  DibTarget target(40, 40, kBlack);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.clear({0, 0, 0});
  EXPECT_FALSE(canvas.push_layer({0, 0, 20, 20}, 0.5f));
  canvas.fill_rect({0, 0, 10, 40}, kRed);
  canvas.draw_image(opaque_pixel(kWhite), {10, 0, 40, 40}, 1.0f, false);
  canvas.pop_layer();
  canvas.draw_image(opaque_pixel({0, 255, 0}), {30, 30, 40, 40}, 1.0f, false);
  EXPECT_TRUE(canvas.flush());

  EXPECT_EQ(target.pixel(5, 5), kRedRgb);   // fills ignore the opacity
  EXPECT_EQ(target.pixel(5, 30), kBlack);   // clipped to the layer
  EXPECT_EQ(target.pixel(15, 5), (Rgb{128, 128, 128}));
  EXPECT_EQ(target.pixel(25, 5), kBlack);
  EXPECT_EQ(target.pixel(35, 35), (Rgb{0, 255, 0}));  // opacity and clip restored
}

TEST(GdiCanvasTest, TransformMovesLaterDrawing) {
  DibTarget target(40, 40, kWhite);
  GdiCanvas canvas(target.dc(), target.bounds(), {});
  ASSERT_TRUE(canvas.valid());
  canvas.clear({255, 255, 255});
  canvas.set_transform(ui::graphics::Transform::translation(20, 20));
  canvas.fill_rect({0, 0, 10, 10}, kRed);
  EXPECT_TRUE(canvas.flush());
  EXPECT_EQ(target.pixel(25, 25), kRedRgb);
  EXPECT_EQ(target.pixel(5, 5), kWhite);
}

// --- text -------------------------------------------------------------------

class GdiTextTest : public testing::Test {
 protected:
  void SetUp() override {
    font_ = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    ASSERT_NE(font_, nullptr);
  }
  void TearDown() override { DeleteObject(font_); }

  // The ink of "Hello" drawn across a 300 x 40 target.
  ui::graphics::test::Ink ink_of(std::int32_t h_align, std::int32_t direction) {
    DibTarget target(300, 40, kWhite);
    const HFONT fonts[] = {font_};
    GdiCanvas canvas(target.dc(), target.bounds(), fonts);
    EXPECT_TRUE(canvas.valid());
    canvas.clear({255, 255, 255});
    TextStyle style;
    style.font = 1;
    style.h_align = h_align;
    style.direction = direction;
    style.single_line = true;
    canvas.draw_text(L"Hello", {0, 0, 300, 40}, style);
    EXPECT_TRUE(canvas.flush());
    return target.ink(kWhite);
  }

  HFONT font_ = nullptr;
};

TEST_F(GdiTextTest, StartAlignedRightToLeftTextIsDrawnAtTheRight) {
  const ui::graphics::test::Ink ltr = ink_of(0, 0);
  ASSERT_TRUE(ltr.any);
  EXPECT_LT(ltr.right, 150);
  const ui::graphics::test::Ink rtl = ink_of(0, 1);
  ASSERT_TRUE(rtl.any);
  EXPECT_GT(rtl.left, 150);
}

TEST_F(GdiTextTest, EndAlignedRightToLeftTextIsDrawnAtTheLeft) {
  const ui::graphics::test::Ink rtl = ink_of(2, 1);
  ASSERT_TRUE(rtl.any);
  EXPECT_LT(rtl.right, 150);
  const ui::graphics::test::Ink ltr = ink_of(2, 0);
  ASSERT_TRUE(ltr.any);
  EXPECT_GT(ltr.left, 150);
}

TEST_F(GdiTextTest, EndEllipsisKeepsTheInkInsideTheRectangle) {
  DibTarget target(300, 40, kWhite);
  const HFONT fonts[] = {font_};
  GdiCanvas canvas(target.dc(), target.bounds(), fonts);
  ASSERT_TRUE(canvas.valid());
  canvas.clear({255, 255, 255});
  TextStyle style;
  style.font = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  canvas.draw_text(L"HHHHHHHHHHHHHHHHHHHHHHHHHHHHHH", {10, 5, 90, 35}, style);
  EXPECT_TRUE(canvas.flush());
  const ui::graphics::test::Ink ink = target.ink(kWhite);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 90);
  EXPECT_LE(ink.bottom, 35);
}

TEST_F(GdiTextTest, EmptyTextDrawsNothing) {
  DibTarget target(40, 40);
  target.fill({0, 0, 255});
  const HFONT fonts[] = {font_};
  GdiCanvas canvas(target.dc(), target.bounds(), fonts);
  ASSERT_TRUE(canvas.valid());
  TextStyle style;
  style.font = 1;
  canvas.draw_text(L"", {0, 0, 40, 40}, style);
  // Nothing counted as drawn: the buffer's pixels are not copied.
  EXPECT_TRUE(canvas.flush());
  EXPECT_EQ(target.pixel(20, 20), kBlueRgb);
}

}  // namespace
}  // namespace win32_ui::modern::detail
