#include "bench/recorded_canvas.h"

#include <string>

#include "ui/views/image.h"

namespace quorvel::bench {

using win32_ui::ui::graphics::Path;
using win32_ui::ui::graphics::TextStyle;
using win32_ui::ui::graphics::Transform;

void RecordedCanvas::replay(Canvas& target) const {
  for (const auto& step : steps_) step(target);
}

void RecordedCanvas::save() {
  steps_.push_back([](Canvas& c) { c.save(); });
}
void RecordedCanvas::restore() {
  steps_.push_back([](Canvas& c) { c.restore(); });
}
void RecordedCanvas::clip_rect(const Rect& rect) {
  steps_.push_back([rect](Canvas& c) { c.clip_rect(rect); });
}
void RecordedCanvas::set_transform(const Transform& transform) {
  steps_.push_back([transform](Canvas& c) { c.set_transform(transform); });
}
void RecordedCanvas::set_opacity(float opacity) {
  steps_.push_back([opacity](Canvas& c) { c.set_opacity(opacity); });
}
bool RecordedCanvas::push_layer(const Rect& bounds, float opacity) {
  steps_.push_back([bounds, opacity](Canvas& c) { c.push_layer(bounds, opacity); });
  return true;
}
void RecordedCanvas::pop_layer() {
  steps_.push_back([](Canvas& c) { c.pop_layer(); });
}
void RecordedCanvas::clear(const Color& color) {
  steps_.push_back([color](Canvas& c) { c.clear(color); });
}
void RecordedCanvas::fill_rect(const Rect& rect, const Color& color) {
  steps_.push_back([rect, color](Canvas& c) { c.fill_rect(rect, color); });
}
void RecordedCanvas::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  steps_.push_back([rect, radius, color](Canvas& c) { c.fill_round_rect(rect, radius, color); });
}
void RecordedCanvas::stroke_round_rect(const Rect& rect, float radius, const Color& color,
                                       float width) {
  steps_.push_back([rect, radius, color, width](Canvas& c) {
    c.stroke_round_rect(rect, radius, color, width);
  });
}
void RecordedCanvas::fill_ellipse(const Rect& rect, const Color& color) {
  steps_.push_back([rect, color](Canvas& c) { c.fill_ellipse(rect, color); });
}
void RecordedCanvas::stroke_ellipse(const Rect& rect, const Color& color, float width) {
  steps_.push_back([rect, color, width](Canvas& c) { c.stroke_ellipse(rect, color, width); });
}
void RecordedCanvas::draw_line(Point from, Point to, const Color& color, float width) {
  steps_.push_back([from, to, color, width](Canvas& c) { c.draw_line(from, to, color, width); });
}
void RecordedCanvas::draw_polyline(std::span<const Point> points, const Color& color,
                                   float width) {
  std::vector<Point> copy(points.begin(), points.end());
  steps_.push_back([copy = std::move(copy), color, width](Canvas& c) {
    c.draw_polyline(copy, color, width);
  });
}
void RecordedCanvas::fill_triangle(Point a, Point b, Point p, const Color& color) {
  steps_.push_back([a, b, p, color](Canvas& c) { c.fill_triangle(a, b, p, color); });
}
void RecordedCanvas::stroke_path(const Path& path, const Color& color, float width) {
  steps_.push_back([path, color, width](Canvas& c) { c.stroke_path(path, color, width); });
}
void RecordedCanvas::fill_path(const Path& path, const Color& color, bool winding) {
  steps_.push_back([path, color, winding](Canvas& c) { c.fill_path(path, color, winding); });
}
void RecordedCanvas::draw_text(std::wstring_view text, const Rect& rect, const TextStyle& style) {
  steps_.push_back([text = std::wstring(text), rect, style](Canvas& c) {
    c.draw_text(text, rect, style);
  });
}
void RecordedCanvas::draw_image(const win32_ui::ui::graphics::Image& image,
                                const Rect& destination, float opacity, bool smooth) {
  steps_.push_back([image, destination, opacity, smooth](Canvas& c) {
    c.draw_image(image, destination, opacity, smooth);
  });
}

}  // namespace quorvel::bench
