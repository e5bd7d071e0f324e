#include "app/editor/annotation.h"

#include <algorithm>
#include <cmath>

#include "ui/views/graphics/gdi_handles.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::ScopedSelection;
using win32_ui::modern::detail::UniqueGdiObject;

HPEN create_mark_pen(COLORREF color, int width) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                          static_cast<DWORD>(width), &brush, 0, nullptr);
  return pen ? pen : CreatePen(PS_SOLID, width, color);
}

RECT box_of(POINT a, POINT b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void draw_pencil(HDC dc, const Annotation& mark, int width) {
  if (mark.points.size() >= 2) {
    Polyline(dc, mark.points.data(), static_cast<int>(mark.points.size()));
    return;
  }
  if (mark.points.size() != 1) return;
  UniqueGdiObject fill(CreateSolidBrush(mark.color));
  if (!fill) return;
  ScopedSelection brush(dc, fill.get());
  const int r = std::max(1, (width + 1) / 2);
  const POINT p = mark.points.front();
  Ellipse(dc, p.x - r, p.y - r, p.x + 1 + r, p.y + 1 + r);
}

void draw_arrow(HDC dc, const Annotation& mark, UINT dpi) {
  MoveToEx(dc, mark.start.x, mark.start.y, nullptr);
  LineTo(dc, mark.end.x, mark.end.y);
  const ArrowHead head = arrow_head(mark.start, mark.end, mark.thickness, dpi);
  if (!head.has_head) return;
  for (const POINT& wing : {head.left, head.right}) {
    MoveToEx(dc, mark.end.x, mark.end.y, nullptr);
    LineTo(dc, wing.x, wing.y);
  }
}

void draw_text_mark(HDC dc, const Annotation& mark, UINT dpi, SIZE image) {
  const int scale = static_cast<int>(dpi);
  UniqueGdiObject font(CreateFontW(-MulDiv(16, scale, 72), 0, 0, 0, 600, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
  if (!font) return;
  ScopedSelection font_selection(dc, font.get());
  const int old_mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF old_color = SetTextColor(dc, mark.color);
  RECT area{mark.start.x, mark.start.y,
            std::min<LONG>(std::max<LONG>(mark.start.x + 1, mark.end.x), image.cx), image.cy};
  DrawTextW(dc, mark.text.c_str(), static_cast<int>(mark.text.size()), &area,
            DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  SetTextColor(dc, old_color);
  SetBkMode(dc, old_mode);
}

}  // namespace

ArrowHead arrow_head(POINT start, POINT end, int thickness, UINT dpi) {
  ArrowHead head;
  const double dx = end.x - start.x;
  const double dy = end.y - start.y;
  const double d = std::hypot(dx, dy);
  if (d <= 1.0) return head;
  const int w = std::max(1, thickness);
  head.has_head = true;
  head.length = std::min(0.35 * d, static_cast<double>(std::max(
                                       MulDiv(18, static_cast<int>(dpi), 96), 3 * w)));
  head.half_width = 0.55 * head.length;
  const double ux = dx / d;
  const double uy = dy / d;
  const double l = head.length;
  const double h = head.half_width;
  head.left = {static_cast<LONG>(std::lround(end.x - ux * l - uy * h)),
               static_cast<LONG>(std::lround(end.y - uy * l + ux * h))};
  head.right = {static_cast<LONG>(std::lround(end.x - ux * l + uy * h)),
                static_cast<LONG>(std::lround(end.y - uy * l - ux * h))};
  return head;
}

SIZE text_box_size(POINT at, SIZE image, UINT dpi) {
  const int scale = static_cast<int>(dpi);
  const LONG width = std::max<LONG>(40, std::min<LONG>(image.cx - at.x, MulDiv(260, scale, 96)));
  const LONG height = std::max<LONG>(MulDiv(30, scale, 96),
                                     std::min<LONG>(image.cy - at.y, MulDiv(110, scale, 96)));
  return {width, height};
}

RECT annotation_bounds(const Annotation& mark, UINT dpi) {
  if (mark.tool == kToolText) {
    // Text may run down to the image bottom.
    return {mark.start.x, mark.start.y, std::max(mark.start.x + 1, mark.end.x) + 1, LONG_MAX / 2};
  }
  RECT box = box_of(mark.start, mark.end);
  for (const POINT& p : mark.points) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  // Half the pen on each side, rounded up, and a pixel for the inclusive
  // right and bottom edges and the round caps.
  LONG grow = std::max(1, mark.thickness) / 2 + 2;
  if (mark.tool == kToolArrow) {
    const ArrowHead head = arrow_head(mark.start, mark.end, mark.thickness, dpi);
    if (head.has_head) grow += static_cast<LONG>(std::ceil(head.half_width)) + 1;
  }
  return {box.left - grow, box.top - grow, box.right + grow + 1, box.bottom + grow + 1};
}

void draw_annotation(HDC dc, const Annotation& mark, UINT dpi, SIZE image) {
  if (mark.tool == kToolText) {
    draw_text_mark(dc, mark, dpi, image);
    return;
  }
  const int width = std::max(1, mark.thickness);
  UniqueGdiObject pen(create_mark_pen(mark.color, width));
  if (!pen) return;
  ScopedSelection pen_selection(dc, pen.get());
  ScopedSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
  const RECT box = box_of(mark.start, mark.end);
  switch (mark.tool) {
    case kToolPencil:
      draw_pencil(dc, mark, width);
      break;
    case kToolRectangle:
      Rectangle(dc, box.left, box.top, box.right, box.bottom);
      break;
    case kToolEllipse:
      Ellipse(dc, box.left, box.top, box.right, box.bottom);
      break;
    case kToolArrow:
      draw_arrow(dc, mark, dpi);
      break;
    default:
      break;
  }
}

}  // namespace quorvel::windows
