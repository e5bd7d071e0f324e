#include "ui/views/graphics/direct2d_canvas.h"

#include <vector>

namespace win32_ui::modern::detail {

Direct2dCanvas::Direct2dCanvas(HDC target, const RECT& bounds, std::span<const HFONT> fonts)
    : session_(target, bounds), fonts_(fonts) {}

void Direct2dCanvas::draw_polyline(std::span<const Point> points, const Color& color,
                                   float width) {
  const std::vector<Point> copy(points.begin(), points.end());
  session_.draw_polyline(copy, color.to_colorref(), width);
}

void Direct2dCanvas::draw_text(std::wstring_view text, const Rect& rect,
                               const ui::graphics::TextStyle& style) {
  SessionTextStyle session_style;
  if (style.font >= 1 && style.font <= fonts_.size()) session_style.font = fonts_[style.font - 1];
  session_style.color = style.color.to_colorref();
  session_style.h_align = (style.h_align == 1 || style.h_align == 2) ? style.h_align : 0;
  session_style.v_align = (style.v_align == 0 || style.v_align == 2) ? style.v_align : 1;
  session_style.single_line = style.single_line;
  session_style.end_ellipsis = style.end_ellipsis;
  session_style.right_to_left = style.direction == 1;
  session_.draw_text(text, rect, session_style);
}

}  // namespace win32_ui::modern::detail
