#include "app/editor/toolbar_glyphs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::Direct2dSession;

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(20, 90, 160);

// A white 32-bit DIB selected into a memory DC.
class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = 0x00FFFFFF;
  }
  ~DibCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF at(int x, int y) const {
    GdiFlush();
    const std::uint32_t bgra = bits_[y * width_ + x];
    return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// A 200-pixel glyph (at 960 DPI) whose 19-pixel strokes fully cover the
// grid points sampled on them.
constexpr RECT kBigItem{0, 0, 206, 204};
constexpr UINT kBigDpi = 960;

struct GlyphCase {
  const char* name;
  int glyph;
  // Grid points on the glyph's strokes, and one well away from them.
  std::vector<POINT> on_strokes;
  POINT off_strokes;
};

POINT grid_pixel(const GlyphBox& box, POINT grid) {
  return {static_cast<LONG>(std::floor(box.x0 + box.side * grid.x / 24.0f)),
          static_cast<LONG>(std::floor(box.y0 + box.side * grid.y / 24.0f))};
}

const GlyphCase kGlyphCases[] = {
    {"Pencil", kGlyphPencil, {{11, 12}, {14, 15}, {18, 7}, {4, 20}, {6, 21}}, {20, 20}},
    {"Rectangle", kGlyphRectangle, {{4, 12}, {20, 12}, {12, 5}, {12, 19}}, {12, 12}},
    {"Ellipse", kGlyphEllipse, {{4, 12}, {20, 12}, {12, 5}, {12, 19}}, {12, 12}},
    {"Arrow", kGlyphArrow, {{12, 12}, {15, 5}, {19, 9}}, {6, 8}},
    {"Text", kGlyphText, {{8, 5}, {12, 12}, {14, 20}}, {6, 14}},
    {"Undo", kGlyphUndo, {{20, 18}, {5, 8}, {8, 11}}, {14, 18}},
    {"Copy", kGlyphCopy, {{4, 10}, {10, 3}, {20, 14}, {14, 21}}, {12, 12}},
    {"Save", kGlyphSave, {{4, 12}, {20, 12}, {8, 6}, {12, 10}, {12, 15}, {16, 18}}, {12, 12}},
    {"Done", kGlyphDone, {{7, 15}, {15, 12}}, {14, 18}},
};

class ToolbarGlyph : public ::testing::TestWithParam<GlyphCase> {};

void expect_glyph(const DibCanvas& canvas, const GlyphBox& box, const GlyphCase& c,
                  const char* path) {
  for (const POINT& grid : c.on_strokes) {
    const POINT p = grid_pixel(box, grid);
    EXPECT_EQ(canvas.at(p.x, p.y), kInk)
        << path << " " << c.name << " grid (" << grid.x << ", " << grid.y << ")";
  }
  const POINT off = grid_pixel(box, c.off_strokes);
  EXPECT_EQ(canvas.at(off.x, off.y), kBackground) << path << " " << c.name << " off the strokes";
}

TEST_P(ToolbarGlyph, GdiPathDrawsEveryStroke) {
  const GlyphCase& c = GetParam();
  DibCanvas canvas(kBigItem.right, kBigItem.bottom);
  const GlyphBox box = glyph_box(kBigItem, kBigDpi);
  draw_glyph_gdi(canvas.dc(), box, c.glyph, kInk);
  expect_glyph(canvas, box, c, "GDI");
}

TEST_P(ToolbarGlyph, Direct2dPathDrawsEveryStroke) {
  const GlyphCase& c = GetParam();
  DibCanvas canvas(kBigItem.right, kBigItem.bottom);
  const GlyphBox box = glyph_box(kBigItem, kBigDpi);
  {
    Direct2dSession session(canvas.dc(), kBigItem);
    ASSERT_TRUE(session.is_active());
    session.clear(kBackground);
    draw_glyph_direct2d(session, box, c.glyph, kInk);
    ASSERT_TRUE(session.end_draw());
  }
  expect_glyph(canvas, box, c, "Direct2D");
}

INSTANTIATE_TEST_SUITE_P(Glyphs, ToolbarGlyph, ::testing::ValuesIn(kGlyphCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToolbarGlyphBox, CentresASquareOfTwentyDipInAButton) {
  struct BoxCase {
    RECT item;
    UINT dpi;
    float x0, y0, side, stroke;
  };
  const BoxCase cases[] = {
      {{0, 0, 40, 28}, 96, 10.0f, 4.0f, 20.0f, 1.9f},
      {{5, 7, 45, 35}, 96, 15.0f, 11.0f, 20.0f, 1.9f},
      // Too small a button limits the square; the stroke keeps its minimum.
      {{0, 0, 16, 10}, 96, 5.0f, 2.0f, 6.0f, 1.25f},
      {{0, 0, 60, 42}, 144, 15.0f, 6.0f, 30.0f, 2.85f},
      {{0, 0, 3, 3}, 0, 1.0f, 1.0f, 1.0f, 1.25f},
  };
  for (const BoxCase& c : cases) {
    const GlyphBox box = glyph_box(c.item, c.dpi);
    EXPECT_FLOAT_EQ(box.x0, c.x0);
    EXPECT_FLOAT_EQ(box.y0, c.y0);
    EXPECT_FLOAT_EQ(box.side, c.side);
    EXPECT_NEAR(box.stroke, c.stroke, 1e-5);
  }
}

TEST(ToolbarGlyphDrawing, DrawsTheRectangleGlyphCrisplyInAButtonSizedItem) {
  DibCanvas canvas(40, 28);
  draw_toolbar_glyph(canvas.dc(), {0, 0, 40, 28}, kGlyphRectangle, kInk, 96);
  EXPECT_EQ(canvas.at(13, 14), kInk);
  EXPECT_EQ(canvas.at(20, 14), kBackground);
  EXPECT_EQ(canvas.at(1, 1), kBackground);
}

TEST(ToolbarGlyphDrawing, FallsBackToGdiWhenDirect2dCannotDraw) {
  // Only one session draws on a thread at a time: while this one is open,
  // the glyph's own session stays inactive and GDI draws instead.
  DibCanvas other(8, 8);
  Direct2dSession busy(other.dc(), {0, 0, 8, 8});
  ASSERT_TRUE(busy.is_active());
  DibCanvas canvas(40, 28);
  draw_toolbar_glyph(canvas.dc(), {0, 0, 40, 28}, kGlyphRectangle, kInk, 96);
  // GDI's two-pixel pen centred on x = 13 covers columns 12 and 13.
  EXPECT_EQ(canvas.at(13, 14), kInk);
  EXPECT_EQ(canvas.at(20, 14), kBackground);
  busy.end_draw();
}

TEST(ToolbarColorSwatch, FillsARoundedSwatchAndBordersIt) {
  constexpr COLORREF kFill = RGB(0, 128, 0);
  constexpr COLORREF kBorder = RGB(90, 90, 90);
  DibCanvas canvas(52, 38);
  draw_color_swatch(canvas.dc(), {10, 10, 52, 38}, kFill, kBorder, 96);
  // A 17 x 13 swatch centred in the 42 x 28 item: edges at 22.5 and 17.5.
  EXPECT_EQ(canvas.at(31, 24), kFill);
  EXPECT_EQ(canvas.at(22, 24), kBorder);
  EXPECT_EQ(canvas.at(31, 17), kBorder);
  EXPECT_EQ(canvas.at(20, 24), kBackground);
  EXPECT_EQ(canvas.at(31, 33), kBackground);
}

}  // namespace
}  // namespace quorvel::windows
