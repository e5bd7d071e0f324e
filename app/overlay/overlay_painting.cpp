#include "app/overlay/overlay_painting.h"

#include <algorithm>
#include <cstdio>

#include "app/overlay/overlay_colors.h"
#include "ui/views/graphics/gdi_handles.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::ScopedSelection;
using win32_ui::modern::detail::UniqueGdiObject;

constexpr int kFontPoints = 9;
constexpr int kFontWeight = 600;

// Saves the DC's state for the guard's lifetime. Declare it after the owners
// of the objects selected under it, so they are deselected before deletion.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

void fill(HDC dc, const RECT& rect, COLORREF color) {
  UniqueGdiObject brush(CreateSolidBrush(color));
  if (brush) FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

void draw_text(HDC dc, std::wstring_view text, RECT rect, COLORREF color, UINT format) {
  SetTextColor(dc, color);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

const uint8_t* pixel_at(const SnapshotPixels& snapshot, POINT p) {
  return snapshot.pixels + (static_cast<size_t>(p.y) * snapshot.width + p.x) * 4;
}

// Copies the 29 x 29 source pixels around `centre` into the grid, each as a
// cell; the part of the neighbourhood outside the snapshot is left as it is.
void paint_loupe_pixels(HDC dc, const LoupeInput& in, POINT centre, const RECT& grid) {
  const LONG first_x = centre.x - kLoupeCentreCell;
  const LONG first_y = centre.y - kLoupeCentreCell;
  const LONG x0 = std::max<LONG>(first_x, 0);
  const LONG x1 = std::min<LONG>(centre.x + kLoupeCells - kLoupeCentreCell, in.snapshot.width);
  const LONG y0 = std::max<LONG>(first_y, 0);
  const LONG y1 = std::min<LONG>(centre.y + kLoupeCells - kLoupeCentreCell, in.snapshot.height);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, grid.left + in.cell.cx * (x0 - first_x), grid.top + in.cell.cy * (y0 - first_y),
             in.cell.cx * (x1 - x0), in.cell.cy * (y1 - y0), in.snapshot.dc, x0, y0, x1 - x0,
             y1 - y0, SRCCOPY);
}

void paint_loupe_crosshair(HDC dc, const LoupeInput& in, const RECT& grid) {
  const LONG column = grid.left + (kLoupeCentreCell + in.crosshair.column) * in.cell.cx;
  const LONG row = grid.top + (kLoupeCentreCell + in.crosshair.row) * in.cell.cy;
  fill(dc, {column, grid.top, column + in.cell.cx, grid.bottom}, kOverlayCyan);
  fill(dc, {grid.left, row, grid.right, row + in.cell.cy}, kOverlayCyan);
}

// Two rows under the grid: a label on the left, its value on the right.
void paint_loupe_readout(HDC dc, const LoupeInput& in, const LoupeReadout& readout,
                         const RECT& grid) {
  UniqueGdiObject font(create_font(in.dpi, kFontPoints, kFontWeight));
  SavedDcState state(dc);
  if (font) SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  const LONG row_height = scale_dip(21, in.dpi);
  const LONG value_right = in.panel.right - scale_dip(8, in.dpi);
  const UINT label_format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
  const UINT value_format = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
  const std::array<std::pair<std::wstring_view, std::wstring_view>, 2> rows{{
      {in.coordinates_label, readout.coordinates},
      {L"RGB", readout.color},
  }};
  // The label column is 48 DIP unless a label needs more ("Coordinates" in a
  // 9-point font does): a label cut mid-word would be unreadable, and the
  // right-aligned values are short.
  LONG label_width = scale_dip(48, in.dpi);
  for (const auto& row : rows) {
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, row.first.data(), static_cast<int>(row.first.size()), &measured,
              DT_CALCRECT | label_format);
    label_width = std::max(label_width, measured.right - measured.left);
  }
  const LONG label_right = std::min(grid.left + label_width, value_right);
  LONG top = grid.bottom + scale_dip(4, in.dpi);
  for (const auto& [label, value] : rows) {
    draw_text(dc, label, {grid.left, top, label_right, top + row_height}, kLoupeLabel,
              label_format);
    draw_text(dc, value, {label_right, top, value_right, top + row_height}, kLoupeValue,
              value_format);
    top += row_height;
  }
}

}  // namespace

HFONT create_font(UINT dpi, int point_size, int weight) {
  return CreateFontW(-MulDiv(point_size, static_cast<int>(dpi), 72), 0, 0, 0, weight, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

int selection_frame_pen_width(UINT dpi) {
  const int width = std::max(scale_dip(3, dpi), 1);
  return width % 2 == 0 ? width + 1 : width;
}

void paint_selection_frame(HDC dc, RECT rect, COLORREF color, UINT dpi) {
  UniqueGdiObject pen(CreatePen(PS_SOLID, selection_frame_pen_width(dpi), color));
  if (!pen) return;
  ScopedSelection selected(dc, pen.get());
  const POINT outline[] = {{rect.left - 1, rect.top - 1},
                           {rect.right, rect.top - 1},
                           {rect.right, rect.bottom},
                           {rect.left - 1, rect.bottom},
                           {rect.left - 1, rect.top - 1}};
  Polyline(dc, outline, static_cast<int>(std::size(outline)));
}

void paint_hint_banner(HDC dc, RECT rect, std::wstring_view text, COLORREF color, UINT dpi) {
  if (text.empty() || IsRectEmpty(&rect)) return;
  fill(dc, rect, color);
  UniqueGdiObject font(create_font(dpi, kFontPoints, kFontWeight));
  SavedDcState state(dc);
  if (font) SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  draw_text(dc, text, rect, kBannerText,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LoupeReadout loupe_readout(const SnapshotPixels& snapshot, POINT pixel, POINT monitor_origin) {
  const uint8_t* bgr = pixel_at(snapshot, pixel);
  wchar_t color[8];
  std::swprintf(color, std::size(color), L"#%02X%02X%02X", bgr[2], bgr[1], bgr[0]);
  return {std::to_wstring(pixel.x + monitor_origin.x) + L", " +
              std::to_wstring(pixel.y + monitor_origin.y),
          color};
}

RECT loupe_grid_rect(RECT panel, SIZE cell, UINT dpi) {
  const LONG left = panel.left + scale_dip(8, dpi);
  const LONG top = panel.top + scale_dip(8, dpi);
  return {left, top, left + kLoupeCells * cell.cx, top + kLoupeCells * cell.cy};
}

void paint_loupe(HDC dc, const LoupeInput& in) {
  const SnapshotPixels& snapshot = in.snapshot;
  if (!snapshot.pixels || !snapshot.dc || snapshot.width <= 0 || snapshot.height <= 0) return;
  const POINT centre{std::clamp<LONG>(in.pointer.x, 0, snapshot.width - 1),
                     std::clamp<LONG>(in.pointer.y, 0, snapshot.height - 1)};
  const int line = std::max(scale_dip(1, in.dpi), 1);
  const int corner = scale_dip(10, in.dpi);
  const RECT grid = loupe_grid_rect(in.panel, in.cell, in.dpi);
  {
    UniqueGdiObject pen(CreatePen(PS_SOLID, line, kLoupePanelOutline));
    UniqueGdiObject brush(CreateSolidBrush(kLoupePanelFill));
    SavedDcState state(dc);
    if (pen) SelectObject(dc, pen.get());
    if (brush) SelectObject(dc, brush.get());
    RoundRect(dc, in.panel.left, in.panel.top, in.panel.right, in.panel.bottom, corner, corner);
  }
  fill(dc, grid, kLoupeGridBackground);
  {
    SavedDcState state(dc);
    paint_loupe_pixels(dc, in, centre, grid);
  }
  {
    UniqueGdiObject pen(CreatePen(PS_SOLID, line, kLoupeGridOutline));
    SavedDcState state(dc);
    if (pen) SelectObject(dc, pen.get());
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, grid.left, grid.top, grid.right, grid.bottom);
  }
  paint_loupe_crosshair(dc, in, grid);
  paint_loupe_readout(dc, in, loupe_readout(snapshot, centre, in.monitor_origin), grid);
}

}  // namespace quorvel::windows
