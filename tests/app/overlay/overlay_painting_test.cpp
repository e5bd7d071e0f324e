#include "app/overlay/overlay_painting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/overlay/overlay_colors.h"
#include "app/overlay/selection_geometry.h"
#include "engine/com_apartment.h"
#include "tests/app/overlay/patterned_snapshot.h"
#include "tests/app/overlay/rect_printing.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows {
namespace {

using test::PatternedSnapshot;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Ink;
using win32_ui::ui::graphics::test::kWhite;
using win32_ui::ui::graphics::test::Rgb;

Rgb rgb(COLORREF color) { return {GetRValue(color), GetGValue(color), GetBValue(color)}; }

bool inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// What the DC holds before a painter runs; a painter must leave it so.
struct DcState {
  HGDIOBJ pen, brush, font;
  COLORREF text_color;
  int background_mode;
  int stretch_mode;

  explicit DcState(HDC dc)
      : pen(GetCurrentObject(dc, OBJ_PEN)),
        brush(GetCurrentObject(dc, OBJ_BRUSH)),
        font(GetCurrentObject(dc, OBJ_FONT)),
        text_color(GetTextColor(dc)),
        background_mode(GetBkMode(dc)),
        stretch_mode(GetStretchBltMode(dc)) {}

  void expect_same(HDC dc) const {
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetTextColor(dc), text_color);
    EXPECT_EQ(GetBkMode(dc), background_mode);
    EXPECT_EQ(GetStretchBltMode(dc), stretch_mode);
  }
};

TEST(SelectionFramePen, IsThreeDipWideAndOdd) {
  const std::pair<UINT, int> cases[] = {{96, 3}, {120, 5}, {144, 5}, {192, 7}, {24, 1}, {0, 1}};
  for (const auto& [dpi, width] : cases) {
    SCOPED_TRACE(dpi);
    EXPECT_EQ(selection_frame_pen_width(dpi), width);
  }
}

TEST(PaintSelectionFrame, CentresTheLineOnTheOutlineAroundTheSelection) {
  const RECT selection{100, 80, 300, 220};
  for (const UINT dpi : {96u, 144u, 192u}) {
    SCOPED_TRACE(dpi);
    DibTarget target(400, 300);
    const DcState before(target.dc());
    paint_selection_frame(target.dc(), selection, kOverlayAccent, dpi);
    before.expect_same(target.dc());
    const Rgb blue = rgb(kOverlayAccent);
    const int half = selection_frame_pen_width(dpi) / 2;
    // Across each side, away from the corners: the line and nothing else.
    for (int d = -half - 1; d <= half + 1; ++d) {
      const Rgb expected = (d >= -half && d <= half) ? blue : kWhite;
      EXPECT_EQ(target.pixel(selection.left - 1 + d, 150), expected) << "left " << d;
      EXPECT_EQ(target.pixel(selection.right + d, 150), expected) << "right " << d;
      EXPECT_EQ(target.pixel(200, selection.top - 1 + d), expected) << "top " << d;
      EXPECT_EQ(target.pixel(200, selection.bottom + d), expected) << "bottom " << d;
    }
    const Ink ink = target.ink(kWhite);
    EXPECT_EQ((RECT{ink.left, ink.top, ink.right, ink.bottom}),
              (RECT{selection.left - 1 - half, selection.top - 1 - half,
                    selection.right + half + 1, selection.bottom + half + 1}));
  }
}

TEST(PaintSelectionFrame, StaysInsideTheEdgeBandsThatRepaintIt) {
  const RECT selection{120, 90, 200, 160};
  for (const UINT dpi : {96u, 120u, 144u, 192u}) {
    SCOPED_TRACE(dpi);
    DibTarget target(400, 300);
    paint_selection_frame(target.dc(), selection, kOverlayWarning, dpi);
    const auto bands = selection_edge_bands(selection, dpi);
    int painted = 0;
    for (int y = 0; y < target.height(); ++y) {
      for (int x = 0; x < target.width(); ++x) {
        if (target.pixel(x, y) == kWhite) continue;
        ++painted;
        const bool covered = inside(bands[0], x, y) || inside(bands[1], x, y) ||
                             inside(bands[2], x, y) || inside(bands[3], x, y);
        EXPECT_TRUE(covered) << "(" << x << ", " << y << ")";
      }
    }
    EXPECT_GT(painted, 4 * 60);
  }
}

TEST(PaintSelectionFrame, DrawsAlongTheCaptureFramesOwnEdge) {
  // The capture frame's window outlines its own client area (0, 0, w, h):
  // only the inner pixel of the line is inside the window.
  DibTarget target(200, 100);
  paint_selection_frame(target.dc(), {0, 0, 200, 100}, capture_frame_color(false), 96);
  const Rgb cyan = rgb(kOverlayCyan);
  EXPECT_EQ(target.pixel(0, 50), cyan);
  EXPECT_EQ(target.pixel(199, 50), cyan);
  EXPECT_EQ(target.pixel(100, 0), cyan);
  EXPECT_EQ(target.pixel(100, 99), cyan);
  EXPECT_EQ(target.pixel(1, 50), kWhite);
  EXPECT_EQ(target.pixel(198, 50), kWhite);
  EXPECT_EQ(target.pixel(100, 1), kWhite);
  EXPECT_EQ(target.pixel(100, 98), kWhite);
}

TEST(PaintHintBanner, FillsItsRectangleAndWritesWhiteTextInside) {
  DibTarget target(800, 100);
  const RECT banner{50, 16, 750, 48};
  const DcState before(target.dc());
  paint_hint_banner(target.dc(), banner,
                    L"Free region 64 \u00d7 64; release to confirm; right-click or press Esc to exit",
                    kOverlayAccent, 96);
  before.expect_same(target.dc());
  const Ink ink = target.ink(kWhite);
  EXPECT_EQ((RECT{ink.left, ink.top, ink.right, ink.bottom}), banner);
  const Rgb blue = rgb(kOverlayAccent);
  for (const POINT corner : {POINT{50, 16}, POINT{749, 16}, POINT{50, 47}, POINT{749, 47}}) {
    EXPECT_EQ(target.pixel(corner.x, corner.y), blue);
  }
  // The text is centred: its ink is inside the banner, clear of both ends.
  const Ink text = target.ink(blue, banner);
  ASSERT_TRUE(text.any);
  EXPECT_GT(text.left, banner.left + 20);
  EXPECT_LT(text.right, banner.right - 20);
  EXPECT_LT(std::abs((text.left + text.right) / 2 - 400), 20);
}

TEST(PaintHintBanner, DrawsNothingWithoutTextOrRoom) {
  DibTarget target(300, 100);
  paint_hint_banner(target.dc(), {10, 10, 290, 40}, L"", kOverlayWarning, 96);
  paint_hint_banner(target.dc(), {10, 10, 10, 40}, L"Text", kOverlayWarning, 96);
  paint_hint_banner(target.dc(), {200, 10, 100, 40}, L"Text", kOverlayWarning, 96);
  EXPECT_FALSE(target.ink(kWhite).any);
}

TEST(LoupeReadout, GivesScreenCoordinatesAndTheHexColourOfThePixel) {
  PatternedSnapshot snapshot(600, 400);
  // (500, 300): blue 500 mod 251 = 249, green 300 mod 241 = 59,
  // red (3500 + 3900) mod 256 = 232.
  const LoupeReadout readout = loupe_readout(snapshot.pixels(), {500, 300}, {1920, -200});
  EXPECT_EQ(readout.coordinates, L"2420, 100");
  EXPECT_EQ(readout.color, L"#E83BF9");
  const LoupeReadout origin = loupe_readout(snapshot.pixels(), {0, 0}, {0, 0});
  EXPECT_EQ(origin.coordinates, L"0, 0");
  EXPECT_EQ(origin.color, L"#000000");
}

TEST(LoupeGridRect, Holds29CellsEightDipInsideThePanel) {
  EXPECT_EQ(loupe_grid_rect({20, 30, 268, 328}, {8, 8}, 96), (RECT{28, 38, 260, 270}));
  EXPECT_EQ(loupe_grid_rect({0, 0, 343, 447}, {11, 12}, 144), (RECT{12, 12, 331, 360}));
}

// The colour each pixel of the magnifier's grid must have: the source pixel
// of its cell (dark beyond the snapshot), the crosshair over it, and the
// grid's outline under the crosshair. A one-pixel outline lies exactly on the
// grid's edge; a wider one is centred on it the way GDI draws wide pens, so
// its inner pixels are not checked.
std::optional<Rgb> expected_grid_pixel(int x, int y, const RECT& grid, const LoupeInput& in,
                                       POINT centre, SIZE snapshot) {
  const int column = (x - grid.left) / in.cell.cx;
  const int row = (y - grid.top) / in.cell.cy;
  if (column == kLoupeCentreCell + in.crosshair.column ||
      row == kLoupeCentreCell + in.crosshair.row) {
    return rgb(kOverlayCyan);
  }
  const int line = std::max(scale_dip(1, in.dpi), 1);
  if (x < grid.left + line || x >= grid.right - line || y < grid.top + line ||
      y >= grid.bottom - line) {
    if (line > 1) return std::nullopt;
    return rgb(kLoupeGridOutline);
  }
  const int source_x = centre.x - kLoupeCentreCell + column;
  const int source_y = centre.y - kLoupeCentreCell + row;
  if (source_x < 0 || source_y < 0 || source_x >= snapshot.cx || source_y >= snapshot.cy) {
    return rgb(kLoupeGridBackground);
  }
  return PatternedSnapshot::expected(source_x, source_y);
}

struct LoupeCase {
  const char* name;
  POINT pointer;
  CrosshairOffsets crosshair;
  UINT dpi;
  SIZE cell;
  POINT expected_centre;
};

TEST(PaintLoupe, MagnifiesEachSourcePixelIntoACellWithTheCrosshairOnTop) {
  const SIZE snapshot_size{1920, 1080};
  PatternedSnapshot snapshot(snapshot_size.cx, snapshot_size.cy);
  const LoupeCase cases[] = {
      {"middle, crosshair on the pointer", {500, 300}, {0, 0}, 96, {8, 8}, {500, 300}},
      {"on a frame's top-left corner", {733, 411}, {-1, -1}, 96, {8, 8}, {733, 411}},
      {"dragging right and up", {640, 480}, {1, -1}, 96, {8, 8}, {640, 480}},
      {"near the top-left corner", {3, 2}, {0, 1}, 96, {8, 8}, {3, 2}},
      {"beyond the bottom-right corner", {5000, 5000}, {1, 1}, 96, {8, 8}, {1919, 1079}},
      {"larger cells at 144 DPI", {1000, 700}, {0, 0}, 144, {11, 11}, {1000, 700}},
  };
  for (const LoupeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SIZE panel_size = loupe_panel_size(c.cell, c.dpi);
    DibTarget target(panel_size.cx + 40, panel_size.cy + 40);
    LoupeInput in;
    in.snapshot = snapshot.pixels();
    in.pointer = c.pointer;
    in.panel = {20, 20, 20 + panel_size.cx, 20 + panel_size.cy};
    in.cell = c.cell;
    in.crosshair = c.crosshair;
    in.coordinates_label = L"Coordinates";
    in.dpi = c.dpi;
    const DcState before(target.dc());
    paint_loupe(target.dc(), in);
    before.expect_same(target.dc());

    const RECT grid = loupe_grid_rect(in.panel, in.cell, in.dpi);
    int wrong = 0;
    for (int y = grid.top; y < grid.bottom; ++y) {
      for (int x = grid.left; x < grid.right; ++x) {
        const auto want = expected_grid_pixel(x, y, grid, in, c.expected_centre, snapshot_size);
        if (want && target.pixel(x, y) != *want && ++wrong <= 5) {
          ADD_FAILURE() << "grid pixel (" << x << ", " << y << ") is "
                        << testing::PrintToString(target.pixel(x, y)) << ", want "
                        << testing::PrintToString(*want);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    // The panel: outline on its straight edges, fill between it and the grid,
    // nothing outside it but half a wide outline, which its repaint area
    // (grown by 3 DIP) still covers.
    const int middle_y = (in.panel.top + in.panel.bottom) / 2;
    const int line = std::max(scale_dip(1, c.dpi), 1);
    EXPECT_EQ(target.pixel(in.panel.left, middle_y), rgb(kLoupePanelOutline));
    EXPECT_EQ(target.pixel(in.panel.right - 1, middle_y), rgb(kLoupePanelOutline));
    EXPECT_EQ(target.pixel(in.panel.left + 3, middle_y), rgb(kLoupePanelFill));
    EXPECT_EQ(target.pixel(grid.right + 3, middle_y), rgb(kLoupePanelFill));
    const Ink ink = target.ink(kWhite);
    RECT outer = in.panel;
    InflateRect(&outer, line / 2, line / 2);
    RECT painted{ink.left, ink.top, ink.right, ink.bottom};
    RECT common{};
    IntersectRect(&common, &painted, &outer);
    EXPECT_EQ(common, painted);
    if (line == 1) {
      EXPECT_EQ(painted, in.panel);
    }
    RECT repainted = loupe_invalidation_rect(in.panel, c.dpi);
    IntersectRect(&common, &painted, &repainted);
    EXPECT_EQ(common, painted);
    EXPECT_EQ(target.pixel(in.panel.left, in.panel.top), kWhite) << "rounded corner";
    // Two rows of readout text below the grid, in the label and value shades
    // or blends of them over the panel fill.
    const int row_top = grid.bottom + scale_dip(4, c.dpi);
    const int row_height = scale_dip(21, c.dpi);
    for (int row = 0; row < 2; ++row) {
      const RECT text_row{grid.left, row_top + row * row_height, in.panel.right - scale_dip(8, c.dpi),
                          row_top + (row + 1) * row_height};
      EXPECT_TRUE(target.ink(rgb(kLoupePanelFill), text_row).any) << "row " << row;
    }
  }
}

// How wide `text` is drawn whole in the readout's font and shade.
int label_ink_width(std::wstring_view text) {
  DibTarget reference(400, 40, rgb(kLoupePanelFill));
  const HFONT font = create_font(96, 9, 600);
  const HGDIOBJ previous = SelectObject(reference.dc(), font);
  SetBkMode(reference.dc(), TRANSPARENT);
  SetTextColor(reference.dc(), kLoupeLabel);
  RECT rect{0, 0, 400, 40};
  DrawTextW(reference.dc(), text.data(), static_cast<int>(text.size()), &rect,
            DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  SelectObject(reference.dc(), previous);
  DeleteObject(font);
  const Ink ink = reference.ink(rgb(kLoupePanelFill));
  return ink.any ? ink.right - ink.left : 0;
}

TEST(PaintLoupe, ShowsTheWholeCoordinatesLabel) {
  PatternedSnapshot snapshot(200, 200);
  DibTarget target(300, 340);
  LoupeInput in;
  in.snapshot = snapshot.pixels();
  in.pointer = {7, 3};  // a short value: "7, 3"
  in.panel = {10, 10, 258, 308};
  in.coordinates_label = L"Coordinates";
  paint_loupe(target.dc(), in);
  const int whole = label_ink_width(L"Coordinates");
  ASSERT_GT(whole, 0);
  const RECT grid = loupe_grid_rect(in.panel, in.cell, in.dpi);
  const RECT label_area{grid.left, grid.bottom + 4, grid.left + whole + 8, grid.bottom + 25};
  const Ink label = target.ink(rgb(kLoupePanelFill), label_area);
  ASSERT_TRUE(label.any);
  EXPECT_EQ(label.right - label.left, whole);
}

TEST(PaintLoupe, DrawsNothingWithoutSnapshotPixels) {
  PatternedSnapshot snapshot(100, 100);
  DibTarget target(300, 340);
  LoupeInput in;
  in.panel = {10, 10, 258, 308};
  in.pointer = {50, 50};
  in.snapshot = snapshot.pixels();
  in.snapshot.pixels = nullptr;
  paint_loupe(target.dc(), in);
  in.snapshot = snapshot.pixels();
  in.snapshot.width = 0;
  paint_loupe(target.dc(), in);
  in.snapshot = {};
  paint_loupe(target.dc(), in);
  EXPECT_FALSE(target.ink(kWhite).any);
}

// The selecting overlay as the user sees it, composed from the painters:
// the frozen image, a dragged selection with its frame, the banner and the
// magnifier at the pointer. Saved as overlay_selecting.png when
// QUORVEL_CANVAS_PNG_DIR is set.
TEST(OverlayPainting, ComposesTheSelectingOverlay) {
  const ComApartment apartment(COINIT_APARTMENTTHREADED);
  constexpr SIZE kClient{1280, 720};
  PatternedSnapshot snapshot(kClient.cx, kClient.cy);
  DibTarget target(kClient.cx, kClient.cy);
  BitBlt(target.dc(), 0, 0, kClient.cx, kClient.cy, snapshot.dc(), 0, 0, SRCCOPY);

  const POINT anchor{200, 100};
  const POINT pointer{800, 560};
  const RECT selection = free_rect(anchor, pointer);
  paint_selection_frame(target.dc(), selection, selection_frame_color(selection), 96);
  paint_hint_banner(target.dc(), hint_rect(kClient.cx, 96),
                    L"Free region 601 \u00d7 461; release to confirm; right-click or press Esc to exit",
                    kOverlayAccent, 96);
  LoupePlacement placement;
  placement.client = kClient;
  placement.selection = selection;
  placement.drag_started = true;
  placement.anchor = anchor;
  LoupeInput in;
  in.snapshot = snapshot.pixels();
  in.pointer = pointer;
  in.panel = loupe_rect(pointer, placement);
  in.crosshair = loupe_crosshair(pointer, true, anchor, selection);
  in.coordinates_label = L"Coordinates";
  paint_loupe(target.dc(), in);
  target.save_png_if_asked("overlay_selecting.png");

  // The magnifier sits inside the selection, clear of its frame.
  RECT room = selection;
  InflateRect(&room, -3, -3);
  RECT common{};
  IntersectRect(&common, &room, &in.panel);
  EXPECT_EQ(common, in.panel);
  EXPECT_EQ(target.pixel(selection.left - 1, 260), rgb(kOverlayAccent));
  EXPECT_EQ(target.pixel(selection.left + 2, 260), PatternedSnapshot::expected(selection.left + 2, 260));
  EXPECT_EQ(target.pixel(hint_rect(kClient.cx, 96).left, 16), rgb(kOverlayAccent));
  EXPECT_EQ(target.pixel(10, 600), PatternedSnapshot::expected(10, 600));
}

}  // namespace
}  // namespace quorvel::windows
