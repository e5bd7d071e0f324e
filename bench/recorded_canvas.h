// A Canvas that draws nothing and keeps every call as a step of a display
// list, to be replayed onto a real canvas later: the frame benchmark's way
// of painting the calls of a view tree without the view layer.
//
// Made and replayed on one thread.
#pragma once

#include <functional>
#include <vector>

#include "ui/views/graphics/canvas.h"

namespace quorvel::bench {

class RecordedCanvas final : public win32_ui::ui::graphics::Canvas {
 public:
  using Canvas = win32_ui::ui::graphics::Canvas;
  using Color = win32_ui::ui::graphics::Color;
  using Point = win32_ui::ui::graphics::Point;
  using Rect = win32_ui::ui::graphics::Rect;

  // Answers as the canvas it will be replayed onto.
  RecordedCanvas(int backend, int features) : backend_(backend), features_(features) {}

  void replay(Canvas& target) const;
  std::size_t size() const { return steps_.size(); }

  int backend() const override { return backend_; }
  bool supports(int feature) const override { return (features_ & feature) != 0; }
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
  bool flush() override { return true; }

 private:
  int backend_;
  int features_;
  std::vector<std::function<void(Canvas&)>> steps_;
};

}  // namespace quorvel::bench
