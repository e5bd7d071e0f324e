// The region overlay's painters on a GDI device context: the frame around a
// selection or along the capture frame's edge, the hint banner and the
// magnifier with its pixel grid, crosshair and readout. Each leaves the DC's
// selected objects, colours and modes as it found them. UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/overlay/selection_geometry.h"

namespace quorvel::windows {

// A "Segoe UI" font of `point_size` points at `dpi` with ClearType quality.
// The caller owns the font and deletes it with DeleteObject; null on failure.
[[nodiscard]] HFONT create_font(UINT dpi, int point_size, int weight);

// The pen width of the frame at `dpi`: 3 DIP, at least 1 and odd, so the line
// is centred on the outline.
int selection_frame_pen_width(UINT dpi);

// Draws the closed outline one pixel outside `rect` on the left and top and
// on its right and bottom edge coordinates - (left - 1, top - 1) to
// (right, bottom) - with a solid pen centred on it.
void paint_selection_frame(HDC dc, RECT rect, COLORREF color, UINT dpi);

// Fills `rect` with `color` and draws `text` centred in white, 9 points, cut
// with an ellipsis when too long. Nothing when the text or the rectangle is
// empty.
void paint_hint_banner(HDC dc, RECT rect, std::wstring_view text, COLORREF color, UINT dpi);

// The frozen monitor image the magnifier reads: a memory DC with a 32-bit
// top-down DIB selected, and the DIB's pixels (blue, green, red, unused;
// rows of width x 4 bytes).
struct SnapshotPixels {
  HDC dc = nullptr;
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// The two values the magnifier reads out for the pixel under the pointer.
struct LoupeReadout {
  std::wstring coordinates;  // "x, y" in screen pixels
  std::wstring color;        // "#RRGGBB"
};

// The readout of pixel `pixel` (snapshot coordinates) of `snapshot` on a
// monitor whose top-left corner is `monitor_origin`. The pixel must lie in
// the snapshot.
LoupeReadout loupe_readout(const SnapshotPixels& snapshot, POINT pixel, POINT monitor_origin);

struct LoupeInput {
  SnapshotPixels snapshot;
  POINT pointer{};         // overlay client coordinates
  RECT panel{};            // from loupe_rect
  SIZE cell{8, 8};         // pixels per magnified source pixel
  CrosshairOffsets crosshair;
  POINT monitor_origin{};  // added to the pointer for the coordinates readout
  std::wstring_view coordinates_label;  // the translated "Coordinates"
  UINT dpi = 96;
};

// The grid of the magnifier panel at `panel`: 29 x 29 cells, 8 DIP inside
// the panel's top-left corner.
RECT loupe_grid_rect(RECT panel, SIZE cell, UINT dpi);

// The magnifier: a rounded panel with the 29 x 29 pixels around the pointer
// (cells beyond the snapshot stay dark), a cyan crosshair column and row,
// and the coordinates and colour of the pointer's pixel, each under a label
// whose column widens to fit it. Nothing when the snapshot has no pixels.
void paint_loupe(HDC dc, const LoupeInput& input);

}  // namespace quorvel::windows
