#include "app/editor/selection_overlay_painter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/views/graphics/gdi_handles.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::ScopedSelection;
using win32_ui::modern::detail::UniqueGdiObject;

void draw_frame(HDC dc, const RECT& selection, UINT dpi) {
  UniqueGdiObject pen(CreatePen(PS_SOLID, std::max(1, MulDiv(2, static_cast<int>(dpi), 96)),
                                kOverlayFrameColor));
  if (!pen) return;
  ScopedSelection pen_selection(dc, pen.get());
  ScopedSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, selection.left, selection.top, selection.right, selection.bottom);
}

void draw_hint_bar(HDC dc, SIZE size, UINT dpi, std::wstring_view hint) {
  const int scale = static_cast<int>(dpi);
  const int width = std::min(MulDiv(800, scale, 96), static_cast<int>(size.cx));
  RECT bar{(size.cx - width) / 2, 0, (size.cx + width) / 2, MulDiv(32, scale, 96)};
  UniqueGdiObject brush(CreateSolidBrush(kOverlayBarColor));
  if (brush) FillRect(dc, &bar, static_cast<HBRUSH>(brush.get()));

  UniqueGdiObject font(CreateFontW(-MulDiv(9, scale, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
  if (!font) return;
  ScopedSelection font_selection(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  const std::wstring text(hint);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bar,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// Untouched pixels keep alpha 1, not 0: a fully transparent pixel of a
// layered window lets the mouse through to the window beneath.
void set_alpha(std::uint8_t* bits, SIZE size) {
  const size_t count = static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy);
  for (size_t i = 0; i < count; ++i) {
    std::uint8_t* pixel = bits + i * 4;
    pixel[3] = (pixel[0] | pixel[1] | pixel[2]) != 0 ? 255 : 1;
  }
}

}  // namespace

void paint_selection_overlay(HDC dc, std::uint8_t* bits, SIZE size, const RECT& selection,
                             UINT dpi, std::wstring_view hint) {
  if (!dc || !bits || size.cx <= 0 || size.cy <= 0) return;
  std::memset(bits, 0, static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy) * 4);
  draw_frame(dc, selection, dpi);
  draw_hint_bar(dc, size, dpi, hint);
  GdiFlush();
  set_alpha(bits, size);
}

}  // namespace quorvel::windows
