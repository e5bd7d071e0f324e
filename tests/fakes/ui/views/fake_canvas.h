// A Canvas for tests that draws nothing and records every call with its
// arguments, in order, as one line of text each ("fill_rect 1 2 3 4 #ff0000").
// Numbers are written with up to six significant digits, colours as #rrggbb,
// texts as UTF-8 in quotes. What backend, supports and flush answer is set
// by the test.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/views/graphics/canvas.h"
#include "ui/views/image.h"

namespace quorvel::test {

class FakeCanvas final : public win32_ui::ui::graphics::Canvas {
 public:
  using Color = win32_ui::ui::graphics::Color;
  using Point = win32_ui::ui::graphics::Point;
  using Rect = win32_ui::ui::graphics::Rect;

  int backend_value = kDirect2d;
  // supports() answers whether the feature's bit is set here.
  int supported_features = 0xFF;
  bool flush_result = true;
  bool push_layer_result = true;

  // Every call, in order.
  std::vector<std::string> calls;
  // The images draw_image was given, in order (they share the pixels).
  std::vector<win32_ui::ui::graphics::Image> images;

  // The calls' names alone (the first word of each line).
  std::vector<std::string> names() const;
  // How many calls have this name.
  std::size_t count(const std::string& name) const;
  // Saves not yet restored.
  int save_depth() const { return save_depth_; }
  void clear() {
    calls.clear();
    images.clear();
  }

  static std::string format(const Rect& rect);
  static std::string format(const Color& color);
  static std::string format(float value);

  int backend() const override;
  bool supports(int feature) const override;
  void save() override;
  void restore() override;
  void clip_rect(const Rect& rect) override;
  void set_transform(const win32_ui::ui::graphics::Transform& transform) override;
  void set_opacity(float opacity) override;
  bool push_layer(const Rect& bounds, float opacity) override;
  void pop_layer() override;
  void clear(const Color& color) override;
  void fill_rect(const Rect& rect, const Color& color) override;
  void fill_round_rect(const Rect& rect, float radius, const Color& color) override;
  void stroke_round_rect(const Rect& rect, float radius, const Color& color, float width) override;
  void fill_ellipse(const Rect& rect, const Color& color) override;
  void stroke_ellipse(const Rect& rect, const Color& color, float width) override;
  void draw_line(Point from, Point to, const Color& color, float width) override;
  void draw_polyline(std::span<const Point> points, const Color& color, float width) override;
  void fill_triangle(Point a, Point b, Point c, const Color& color) override;
  void stroke_path(const win32_ui::ui::graphics::Path& path, const Color& color,
                   float width) override;
  void fill_path(const win32_ui::ui::graphics::Path& path, const Color& color,
                 bool winding) override;
  void draw_text(std::wstring_view text, const Rect& rect,
                 const win32_ui::ui::graphics::TextStyle& style) override;
  void draw_image(const win32_ui::ui::graphics::Image& image, const Rect& destination,
                  float opacity, bool smooth) override;
  bool flush() override;

 private:
  void record(std::string line) { calls.push_back(std::move(line)); }

  int save_depth_ = 0;
};

}  // namespace quorvel::test
