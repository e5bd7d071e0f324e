#include "tests/fakes/ui/views/fake_canvas.h"

#include <cstdio>

#include "tests/support/test_support.h"

namespace quorvel::test {
namespace {

using win32_ui::ui::graphics::Path;
using win32_ui::ui::graphics::PathCommand;

std::string point_text(FakeCanvas::Point p) {
  return FakeCanvas::format(p.x) + " " + FakeCanvas::format(p.y);
}

std::string path_text(const Path& path) {
  static const char* const kNames[] = {"M", "L", "C", "Z"};
  std::string text = "[";
  for (const PathCommand& command : path) {
    if (text.size() > 1) text += " ";
    const bool known = command.kind >= 0 && command.kind <= 3;
    text += known ? kNames[command.kind] : "?";
    if (command.kind == PathCommand::kMoveTo || command.kind == PathCommand::kLineTo) {
      text += " " + point_text(command.p1);
    } else if (command.kind == PathCommand::kCubicTo) {
      text += " " + point_text(command.p1) + " " + point_text(command.p2) + " " +
              point_text(command.p3);
    }
  }
  return text + "]";
}

}  // namespace

std::string FakeCanvas::format(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", static_cast<double>(value));
  return buffer;
}

std::string FakeCanvas::format(const Rect& r) {
  return format(r.left) + " " + format(r.top) + " " + format(r.right) + " " + format(r.bottom);
}

std::string FakeCanvas::format(const Color& c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.r, c.g, c.b);
  return buffer;
}

std::vector<std::string> FakeCanvas::names() const {
  std::vector<std::string> result;
  for (const std::string& line : calls) result.push_back(line.substr(0, line.find(' ')));
  return result;
}

std::size_t FakeCanvas::count(const std::string& name) const {
  std::size_t n = 0;
  for (const std::string& line : calls) n += line.substr(0, line.find(' ')) == name ? 1 : 0;
  return n;
}

int FakeCanvas::backend() const { return backend_value; }

bool FakeCanvas::supports(int feature) const { return (supported_features & feature) != 0; }

void FakeCanvas::save() {
  ++save_depth_;
  record("save");
}

void FakeCanvas::restore() {
  if (save_depth_ > 0) --save_depth_;
  record("restore");
}

void FakeCanvas::clip_rect(const Rect& rect) { record("clip_rect " + format(rect)); }

void FakeCanvas::set_transform(const win32_ui::ui::graphics::Transform& t) {
  record("set_transform " + format(t.m11) + " " + format(t.m12) + " " + format(t.m21) + " " +
         format(t.m22) + " " + format(t.dx) + " " + format(t.dy));
}

void FakeCanvas::set_opacity(float opacity) { record("set_opacity " + format(opacity)); }

bool FakeCanvas::push_layer(const Rect& bounds, float opacity) {
  record("push_layer " + format(bounds) + " " + format(opacity));
  return push_layer_result;
}

void FakeCanvas::pop_layer() { record("pop_layer"); }

void FakeCanvas::clear(const Color& color) { record("clear " + format(color)); }

void FakeCanvas::fill_rect(const Rect& rect, const Color& color) {
  record("fill_rect " + format(rect) + " " + format(color));
}

void FakeCanvas::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  record("fill_round_rect " + format(rect) + " " + format(radius) + " " + format(color));
}

void FakeCanvas::stroke_round_rect(const Rect& rect, float radius, const Color& color,
                                   float width) {
  record("stroke_round_rect " + format(rect) + " " + format(radius) + " " + format(color) + " " +
         format(width));
}

void FakeCanvas::fill_ellipse(const Rect& rect, const Color& color) {
  record("fill_ellipse " + format(rect) + " " + format(color));
}

void FakeCanvas::stroke_ellipse(const Rect& rect, const Color& color, float width) {
  record("stroke_ellipse " + format(rect) + " " + format(color) + " " + format(width));
}

void FakeCanvas::draw_line(Point from, Point to, const Color& color, float width) {
  record("draw_line " + point_text(from) + " " + point_text(to) + " " + format(color) + " " +
         format(width));
}

void FakeCanvas::draw_polyline(std::span<const Point> points, const Color& color, float width) {
  std::string line = "draw_polyline [";
  for (std::size_t i = 0; i < points.size(); ++i) {
    line += (i == 0 ? "" : ", ") + point_text(points[i]);
  }
  record(line + "] " + format(color) + " " + format(width));
}

void FakeCanvas::fill_triangle(Point a, Point b, Point c, const Color& color) {
  record("fill_triangle " + point_text(a) + " " + point_text(b) + " " + point_text(c) + " " +
         format(color));
}

void FakeCanvas::stroke_path(const Path& path, const Color& color, float width) {
  record("stroke_path " + path_text(path) + " " + format(color) + " " + format(width));
}

void FakeCanvas::fill_path(const Path& path, const Color& color, bool winding) {
  record("fill_path " + path_text(path) + " " + format(color) + (winding ? " winding" : " alternate"));
}

void FakeCanvas::draw_text(std::wstring_view text, const Rect& rect,
                           const win32_ui::ui::graphics::TextStyle& s) {
  record("draw_text \"" + utf8(text) + "\" " + format(rect) + " font " + std::to_string(s.font) +
         " " + format(s.color) + " align " + std::to_string(s.h_align) + " " +
         std::to_string(s.v_align) + (s.single_line ? " single" : " multi") +
         (s.end_ellipsis ? " ellipsis" : "") + " dir " + std::to_string(s.direction));
}

void FakeCanvas::draw_image(const win32_ui::ui::graphics::Image& image, const Rect& destination,
                            float opacity, bool smooth) {
  images.push_back(image);
  record("draw_image " + std::to_string(image.width()) + "x" + std::to_string(image.height()) +
         " " + format(destination) + " " + format(opacity) + (smooth ? " smooth" : " nearest"));
}

bool FakeCanvas::flush() {
  record("flush");
  return flush_result;
}

}  // namespace quorvel::test
