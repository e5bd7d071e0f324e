// Direct2dCanvas is the Direct2D back end of Canvas: every operation maps
// one to one onto the Direct2dSession it holds, with colours packed and the
// text style's font index looked up in the font table. Lives for one paint
// pass on the painting thread; flush() or the destructor ends drawing.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/direct2d_session.h"

namespace win32_ui::modern::detail {

class Direct2dCanvas final : public ui::graphics::Canvas {
 public:
  using Color = ui::graphics::Color;
  using Point = ui::graphics::Point;
  using Rect = ui::graphics::Rect;

  // Begins the session on (target, bounds); the font table is borrowed and
  // must outlive the canvas.
  Direct2dCanvas(HDC target, const RECT& bounds, std::span<const HFONT> fonts);

  bool is_active() const { return session_.is_active(); }

  int backend() const override { return kDirect2d; }
  bool supports(int) const override { return true; }
  void save() override { session_.save(); }
  void restore() override { session_.restore(); }
  void clip_rect(const Rect& rect) override { session_.push_clip(rect); }
  void set_transform(const ui::graphics::Transform& transform) override {
    session_.set_transform(transform);
  }
  void set_opacity(float opacity) override { session_.set_opacity(opacity); }
  bool push_layer(const Rect& bounds, float opacity) override {
    return session_.push_layer(bounds, opacity);
  }
  void pop_layer() override { session_.pop_layer(); }
  void clear(const Color& color) override { session_.clear(color.to_colorref()); }
  void fill_rect(const Rect& rect, const Color& color) override {
    session_.fill_rect(rect, color.to_colorref());
  }
  void fill_round_rect(const Rect& rect, float radius, const Color& color) override {
    session_.fill_round_rect(rect, radius, color.to_colorref());
  }
  void stroke_round_rect(const Rect& rect, float radius, const Color& color,
                         float width) override {
    session_.stroke_round_rect(rect, radius, color.to_colorref(), width);
  }
  void fill_ellipse(const Rect& rect, const Color& color) override {
    session_.fill_ellipse(rect, color.to_colorref());
  }
  void stroke_ellipse(const Rect& rect, const Color& color, float width) override {
    session_.stroke_ellipse(rect, color.to_colorref(), width);
  }
  void draw_line(Point from, Point to, const Color& color, float width) override {
    session_.draw_line(from, to, color.to_colorref(), width);
  }
  void draw_polyline(std::span<const Point> points, const Color& color, float width) override;
  void fill_triangle(Point a, Point b, Point c, const Color& color) override {
    session_.fill_triangle(a, b, c, color.to_colorref());
  }
  void stroke_path(const ui::graphics::Path& path, const Color& color, float width) override {
    session_.stroke_path(path, color.to_colorref(), width);
  }
  void fill_path(const ui::graphics::Path& path, const Color& color, bool winding) override {
    session_.fill_path(path, color.to_colorref(), winding);
  }
  void draw_text(std::wstring_view text, const Rect& rect,
                 const ui::graphics::TextStyle& style) override;
  void draw_image(const ui::graphics::Image& image, const Rect& destination, float opacity,
                  bool smooth) override {
    session_.draw_image(image, destination, opacity, smooth);
  }
  bool flush() override { return session_.end_draw(); }

 private:
  Direct2dSession session_;
  std::span<const HFONT> fonts_;
};

}  // namespace win32_ui::modern::detail
