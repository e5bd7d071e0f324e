// The vector glyphs of the editor toolbar's owner-drawn buttons and the
// colour button's swatch. Each paints through Direct2D onto the item's DC
// and falls back to GDI when Direct2D is unavailable or fails; the two glyph
// paths are exposed on their own so each can be drawn into a bitmap alone.
// UI thread (the thread that paints).
#pragma once

#include <windows.h>

#include "ui/views/graphics/direct2d_session.h"

namespace quorvel::windows {

// Glyph numbers of the toolbar's buttons.
inline constexpr int kGlyphPencil = 0;
inline constexpr int kGlyphRectangle = 1;
inline constexpr int kGlyphEllipse = 2;
inline constexpr int kGlyphArrow = 3;
inline constexpr int kGlyphText = 4;
inline constexpr int kGlyphUndo = 5;
inline constexpr int kGlyphCopy = 6;
inline constexpr int kGlyphSave = 7;
inline constexpr int kGlyphDone = 8;
inline constexpr int kGlyphCount = 9;

// The square a glyph is drawn in (a 24 x 24 grid scaled to side s) and the
// stroke width, in the coordinates of the item rectangle it was made from.
struct GlyphBox {
  float x0 = 0.0f;
  float y0 = 0.0f;
  float side = 1.0f;
  float stroke = 1.25f;
};

// The glyph square centred in `item`: side max(1, min(20 DIP, width - 6,
// height - 4)), stroke max(1.25, 0.095 side).
GlyphBox glyph_box(const RECT& item, UINT dpi);

// Draws the glyph with the session, whose coordinates start at its bounds'
// top-left corner; `box` must be in those coordinates. Success is what the
// session's end_draw reports.
void draw_glyph_direct2d(win32_ui::modern::detail::Direct2dSession& session, const GlyphBox& box,
                         int glyph, COLORREF color);
// Draws the glyph with a solid pen of the rounded stroke width and no fill.
void draw_glyph_gdi(HDC dc, const GlyphBox& box, int glyph, COLORREF color);

// The glyph in `item` of `dc`, through Direct2D when it works, else GDI.
void draw_toolbar_glyph(HDC dc, const RECT& item, int glyph, COLORREF color, UINT dpi);

// A rounded swatch of `fill` bordered in `border`, centred in `item`.
void draw_color_swatch(HDC dc, const RECT& item, COLORREF fill, COLORREF border, UINT dpi);

}  // namespace quorvel::windows
