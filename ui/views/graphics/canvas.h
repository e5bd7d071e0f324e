// Canvas is the drawing interface every view draws through during one paint
// pass of a surface, with the value types it takes. Two back ends implement
// it: Direct2D with DirectWrite onto a window's device context, and GDI into
// an off-screen bitmap. All coordinates are device pixels. A canvas lives for
// one paint on the thread that paints (the UI thread) and is never shared.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/views/graphics/color.h"
#include "ui/views/image.h"
#include "ui/views/point.h"
#include "ui/views/transform.h"

namespace win32_ui::ui::graphics {

// Empty when right <= left or bottom <= top.
struct Rect {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;

  constexpr float width() const { return right - left; }
  constexpr float height() const { return bottom - top; }
  constexpr bool empty() const { return !(right > left) || !(bottom > top); }

  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Move and line use the first point; a cubic Bezier takes two control points
// and then its end point; close takes none.
struct PathCommand {
  enum Kind : std::int32_t { kMoveTo = 0, kLineTo = 1, kCubicTo = 2, kClose = 3 };

  std::int32_t kind = kMoveTo;
  Point p1;
  Point p2;
  Point p3;
};

using Path = std::vector<PathCommand>;

struct TextStyle {
  // 1-based index into the canvas's font table; 0 or an index past the
  // table means no font.
  std::uint32_t font = 0;
  Color color;
  std::int32_t h_align = 0;  // 0 start, 1 centre, 2 end
  std::int32_t v_align = 0;  // 0 top, 1 centre, 2 bottom
  bool single_line = false;
  bool end_ellipsis = false;
  std::int32_t direction = 0;  // 1 right to left, anything else left to right
};

class Canvas {
 public:
  // Feature codes of supports(): single bits up to 128. GDI supports only
  // 4, 8, 16 and 32; Direct2D every code.
  enum Backend : int { kDirect2d = 0, kGdi = 1 };

  // Ends drawing.
  virtual ~Canvas() = default;
  virtual int backend() const = 0;
  virtual bool supports(int feature) const = 0;
  virtual void save() = 0;
  // Pops the last saved state; does nothing when none is saved.
  virtual void restore() = 0;
  // Narrows the clip until the next restore or the end of drawing.
  virtual void clip_rect(const Rect& rect) = 0;
  virtual void set_transform(const Transform& transform) = 0;
  // Clamped to [0, 1]; applied to later primitives.
  virtual void set_opacity(float opacity) = 0;
  // True when a real layer was pushed.
  virtual bool push_layer(const Rect& bounds, float opacity) = 0;
  virtual void pop_layer() = 0;
  // Fills the whole target area, opaque.
  virtual void clear(const Color& color) = 0;
  virtual void fill_rect(const Rect& rect, const Color& color) = 0;
  virtual void fill_round_rect(const Rect& rect, float radius, const Color& color) = 0;
  virtual void stroke_round_rect(const Rect& rect, float radius, const Color& color,
                                 float width) = 0;
  // The ellipse inscribed in the rectangle.
  virtual void fill_ellipse(const Rect& rect, const Color& color) = 0;
  virtual void stroke_ellipse(const Rect& rect, const Color& color, float width) = 0;
  virtual void draw_line(Point from, Point to, const Color& color, float width) = 0;
  // An open line through the points; fewer than two points draw nothing.
  virtual void draw_polyline(std::span<const Point> points, const Color& color,
                             float width) = 0;
  virtual void fill_triangle(Point a, Point b, Point c, const Color& color) = 0;
  virtual void stroke_path(const Path& path, const Color& color, float width) = 0;
  // winding true is the non-zero fill rule, false the alternate (even-odd) one.
  virtual void fill_path(const Path& path, const Color& color, bool winding) = 0;
  virtual void draw_text(std::wstring_view text, const Rect& rect, const TextStyle& style) = 0;
  // smooth selects linear filtering, otherwise nearest neighbour.
  virtual void draw_image(const Image& image, const Rect& destination, float opacity,
                          bool smooth) = 0;
  // Ends drawing and reports whether everything succeeded.
  virtual bool flush() = 0;
};

}  // namespace win32_ui::ui::graphics
