#include "app/editor/toolbar_glyphs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "ui/views/graphics/gdi_handles.h"
#include "ui/views/image.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::Direct2dSession;
using win32_ui::modern::detail::ScopedSelection;
using win32_ui::modern::detail::UniqueGdiObject;
using Point = win32_ui::ui::graphics::Point;
using Rect = win32_ui::ui::graphics::Rect;

struct GridLine {
  int a, b, c, d;
};

constexpr GridLine kPencilLines[] = {{5, 18, 17, 6}, {8, 21, 20, 9}, {17, 6, 20, 9},
                                     {5, 18, 4, 22}, {4, 22, 8, 21}, {15, 8, 18, 11}};
constexpr GridLine kArrowLines[] = {{4, 20, 19, 5}, {11, 5, 19, 5}, {19, 5, 19, 13}};
constexpr GridLine kTextLines[] = {{5, 5, 19, 5}, {12, 5, 12, 20}, {8, 20, 16, 20}};
constexpr GridLine kUndoHook[] = {{5, 11, 5, 5}, {5, 11, 11, 11}};
constexpr GridLine kSaveLines[] = {{8, 3, 8, 10},   {8, 10, 16, 10}, {16, 10, 16, 3},
                                   {8, 21, 8, 15},  {8, 15, 16, 15}, {16, 15, 16, 21}};
constexpr GridLine kDoneLines[] = {{4, 12, 10, 18}, {10, 18, 20, 6}};
constexpr POINT kUndoCurve[] = {{20, 19}, {20, 15}, {18, 11}, {15, 9}, {11, 8}, {8, 9}, {5, 11}};
constexpr POINT kUndoBezier[] = {{20, 19}, {21, 10}, {13, 6}, {5, 11}};

Point at(const GlyphBox& box, int u, int v) {
  return {box.x0 + box.side * static_cast<float>(u) / 24.0f,
          box.y0 + box.side * static_cast<float>(v) / 24.0f};
}

Rect grid_rect(const GlyphBox& box, int u0, int v0, int u1, int v1) {
  const Point a = at(box, u0, v0);
  const Point b = at(box, u1, v1);
  return {a.x, a.y, b.x, b.y};
}

POINT pixel(Point point) {
  return {static_cast<LONG>(std::lround(point.x)), static_cast<LONG>(std::lround(point.y))};
}

template <std::size_t N>
void lines_direct2d(Direct2dSession& session, const GlyphBox& box, const GridLine (&lines)[N],
                    COLORREF color) {
  for (const GridLine& line : lines) {
    session.draw_line(at(box, line.a, line.b), at(box, line.c, line.d), color, box.stroke);
  }
}

template <std::size_t N>
void lines_gdi(HDC dc, const GlyphBox& box, const GridLine (&lines)[N]) {
  for (const GridLine& line : lines) {
    const POINT from = pixel(at(box, line.a, line.b));
    const POINT to = pixel(at(box, line.c, line.d));
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
  }
}

void round_rect_gdi(HDC dc, const GlyphBox& box, int u0, int v0, int u1, int v1, int corner) {
  const POINT a = pixel(at(box, u0, v0));
  const POINT b = pixel(at(box, u1, v1));
  RoundRect(dc, a.x, a.y, b.x, b.y, corner, corner);
}

// What the DC already shows inside `item`, opaque. A DC render target is not
// guaranteed to start from the DC's pixels (Wine starts from black), so the
// button's background is drawn again under the glyph.
win32_ui::ui::graphics::Image underlay_of(HDC dc, const RECT& item) {
  win32_ui::ui::graphics::Image image;
  const int width = item.right - item.left;
  const int height = item.bottom - item.top;
  if (width <= 0 || height <= 0) return image;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return image;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap && bits) {
    ScopedSelection selection(memory, bitmap.get());
    if (BitBlt(memory, 0, 0, width, height, dc, item.left, item.top, SRCCOPY)) {
      GdiFlush();
      auto* pixels = static_cast<std::uint8_t*>(bits);
      const std::size_t size = static_cast<std::size_t>(width) * height * 4;
      for (std::size_t index = 3; index < size; index += 4) pixels[index] = 255;
      win32_ui::ui::graphics::Image::from_pixels(
          static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
          static_cast<std::uint32_t>(width) * 4, std::span<const std::uint8_t>(pixels, size),
          image);
    }
  }
  DeleteDC(memory);
  return image;
}

void draw_underlay(Direct2dSession& session, const win32_ui::ui::graphics::Image& underlay) {
  if (!underlay.valid()) return;
  session.draw_image(underlay,
                     {0.0f, 0.0f, static_cast<float>(underlay.width()),
                      static_cast<float>(underlay.height())},
                     1.0f, false);
}

}  // namespace

GlyphBox glyph_box(const RECT& item, UINT dpi) {
  const float width = static_cast<float>(item.right - item.left);
  const float height = static_cast<float>(item.bottom - item.top);
  const float wanted = static_cast<float>(std::max<UINT>(1, dpi)) * 20.0f / 96.0f;
  const float side = std::max(1.0f, std::min({wanted, width - 6.0f, height - 4.0f}));
  GlyphBox box;
  box.side = side;
  box.x0 = static_cast<float>(item.left) + (width - side) / 2.0f;
  box.y0 = static_cast<float>(item.top) + (height - side) / 2.0f;
  box.stroke = std::max(1.25f, 0.095f * side);
  return box;
}

void draw_glyph_direct2d(Direct2dSession& session, const GlyphBox& box, int glyph,
                         COLORREF color) {
  const float s = box.side;
  switch (glyph) {
    case kGlyphPencil:
      lines_direct2d(session, box, kPencilLines, color);
      break;
    case kGlyphRectangle:
      session.stroke_round_rect(grid_rect(box, 4, 5, 20, 19), s / 32.0f, color, box.stroke);
      break;
    case kGlyphEllipse:
      session.stroke_ellipse(grid_rect(box, 4, 5, 20, 19), color, box.stroke);
      break;
    case kGlyphArrow:
      lines_direct2d(session, box, kArrowLines, color);
      break;
    case kGlyphText:
      lines_direct2d(session, box, kTextLines, color);
      break;
    case kGlyphUndo: {
      std::array<Point, std::size(kUndoCurve)> points{};
      for (std::size_t index = 0; index < points.size(); ++index) {
        points[index] = at(box, kUndoCurve[index].x, kUndoCurve[index].y);
      }
      session.draw_polyline(points, color, box.stroke);
      lines_direct2d(session, box, kUndoHook, color);
      break;
    }
    case kGlyphCopy:
      session.stroke_round_rect(grid_rect(box, 4, 3, 16, 17), s / 24.0f, color, box.stroke);
      session.stroke_round_rect(grid_rect(box, 8, 7, 20, 21), s / 24.0f, color, box.stroke);
      break;
    case kGlyphSave:
      session.stroke_round_rect(grid_rect(box, 4, 3, 20, 21), s / 24.0f, color, box.stroke);
      lines_direct2d(session, box, kSaveLines, color);
      break;
    case kGlyphDone:
      lines_direct2d(session, box, kDoneLines, color);
      break;
    default:
      break;
  }
}

void draw_glyph_gdi(HDC dc, const GlyphBox& box, int glyph, COLORREF color) {
  const int pen_width = std::max(1, static_cast<int>(std::lround(box.stroke)));
  UniqueGdiObject pen(CreatePen(PS_SOLID, pen_width, color));
  if (!dc || !pen) return;
  ScopedSelection pen_selection(dc, pen.get());
  ScopedSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
  const int corner = 3 * pen_width;
  switch (glyph) {
    case kGlyphPencil:
      lines_gdi(dc, box, kPencilLines);
      break;
    case kGlyphRectangle: {
      const POINT a = pixel(at(box, 4, 5));
      const POINT b = pixel(at(box, 20, 19));
      Rectangle(dc, a.x, a.y, b.x, b.y);
      break;
    }
    case kGlyphEllipse: {
      const POINT a = pixel(at(box, 4, 5));
      const POINT b = pixel(at(box, 20, 19));
      Ellipse(dc, a.x, a.y, b.x, b.y);
      break;
    }
    case kGlyphArrow:
      lines_gdi(dc, box, kArrowLines);
      break;
    case kGlyphText:
      lines_gdi(dc, box, kTextLines);
      break;
    case kGlyphUndo: {
      POINT points[std::size(kUndoBezier)]{};
      for (std::size_t index = 0; index < std::size(points); ++index) {
        points[index] = pixel(at(box, kUndoBezier[index].x, kUndoBezier[index].y));
      }
      PolyBezier(dc, points, static_cast<DWORD>(std::size(points)));
      lines_gdi(dc, box, kUndoHook);
      break;
    }
    case kGlyphCopy:
      round_rect_gdi(dc, box, 4, 3, 16, 17, corner);
      round_rect_gdi(dc, box, 8, 7, 20, 21, corner);
      break;
    case kGlyphSave:
      round_rect_gdi(dc, box, 4, 3, 20, 21, corner);
      lines_gdi(dc, box, kSaveLines);
      break;
    case kGlyphDone:
      lines_gdi(dc, box, kDoneLines);
      break;
    default:
      break;
  }
}

void draw_toolbar_glyph(HDC dc, const RECT& item, int glyph, COLORREF color, UINT dpi) {
  const GlyphBox box = glyph_box(item, dpi);
  {
    const win32_ui::ui::graphics::Image underlay = underlay_of(dc, item);
    Direct2dSession session(dc, item);
    if (session.is_active()) {
      draw_underlay(session, underlay);
      GlyphBox local = box;
      local.x0 -= static_cast<float>(item.left);
      local.y0 -= static_cast<float>(item.top);
      draw_glyph_direct2d(session, local, glyph, color);
      if (session.end_draw()) return;
    }
  }
  draw_glyph_gdi(dc, box, glyph, color);
}

void draw_color_swatch(HDC dc, const RECT& item, COLORREF fill, COLORREF border, UINT dpi) {
  const float k = static_cast<float>(std::max<UINT>(1, dpi)) / 96.0f;
  const float item_width = static_cast<float>(item.right - item.left);
  const float item_height = static_cast<float>(item.bottom - item.top);
  const float width = std::max(1.0f, std::min(item_width - 6.0f, 17.0f * k));
  const float height = std::max(1.0f, std::min(item_height - 6.0f, 13.0f * k));
  const float left = (item_width - width) / 2.0f;
  const float top = (item_height - height) / 2.0f;
  {
    const win32_ui::ui::graphics::Image underlay = underlay_of(dc, item);
    Direct2dSession session(dc, item);
    if (session.is_active()) {
      draw_underlay(session, underlay);
      const Rect swatch{left, top, left + width, top + height};
      const float radius = std::max(2.0f, 2.5f * k);
      session.fill_round_rect(swatch, radius, fill);
      session.stroke_round_rect(swatch, radius, border, std::max(1.0f, k));
      if (session.end_draw()) return;
    }
  }
  UniqueGdiObject brush(CreateSolidBrush(fill));
  UniqueGdiObject pen(
      CreatePen(PS_SOLID, std::max(1, static_cast<int>(std::lround(k))), border));
  if (!dc || !brush || !pen) return;
  ScopedSelection brush_selection(dc, brush.get());
  ScopedSelection pen_selection(dc, pen.get());
  const int corner = std::max(2, static_cast<int>(std::lround(5.0f * k)));
  const int x = item.left + static_cast<int>(std::lround(left));
  const int y = item.top + static_cast<int>(std::lround(top));
  RoundRect(dc, x, y, x + static_cast<int>(std::lround(width)),
            y + static_cast<int>(std::lround(height)), corner, corner);
}

}  // namespace quorvel::windows
