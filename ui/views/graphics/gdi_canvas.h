// GdiCanvas is the GDI back end of Canvas: it draws with GDI into one of the
// painting thread's cached back buffers, in the target DC's own coordinates,
// and copies the part that can have changed (the bounds, the target's clip
// box and the clips set before the first drawing) to the target when it is
// flushed or destroyed. No real layers, no antialiasing, opacity for images
// only. Lives for one paint pass on the painting thread.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>
#include <vector>

#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/gdi_back_buffer_cache.h"

namespace win32_ui::modern::detail {

class GdiCanvas final : public ui::graphics::Canvas {
 public:
  using Color = ui::graphics::Color;
  using Point = ui::graphics::Point;
  using Rect = ui::graphics::Rect;

  // Takes a back buffer for `bounds` (window pixels of `target`); the canvas
  // stays invalid when none can be had. The font table is borrowed and must
  // outlive the canvas.
  GdiCanvas(HDC target, const RECT& bounds, std::span<const HFONT> fonts);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  bool valid() const { return valid_; }

  int backend() const override { return kGdi; }
  bool supports(int feature) const override;
  void save() override;
  void restore() override;
  void clip_rect(const Rect& rect) override;
  void set_transform(const ui::graphics::Transform& transform) override;
  // Applies to images only.
  void set_opacity(float opacity) override;
  // A save, a clip to the bounds and the opacity; never a real layer.
  bool push_layer(const Rect& bounds, float opacity) override;
  void pop_layer() override;
  void clear(const Color& color) override;
  void fill_rect(const Rect& rect, const Color& color) override;
  void fill_round_rect(const Rect& rect, float radius, const Color& color) override;
  void stroke_round_rect(const Rect& rect, float radius, const Color& color,
                         float width) override;
  void fill_ellipse(const Rect& rect, const Color& color) override;
  void stroke_ellipse(const Rect& rect, const Color& color, float width) override;
  void draw_line(Point from, Point to, const Color& color, float width) override;
  void draw_polyline(std::span<const Point> points, const Color& color, float width) override;
  void fill_triangle(Point a, Point b, Point c, const Color& color) override;
  void stroke_path(const ui::graphics::Path& path, const Color& color, float width) override;
  void fill_path(const ui::graphics::Path& path, const Color& color, bool winding) override;
  void draw_text(std::wstring_view text, const Rect& rect,
                 const ui::graphics::TextStyle& style) override;
  void draw_image(const ui::graphics::Image& image, const Rect& destination, float opacity,
                  bool smooth) override;
  // Copies what was drawn to the target; true when nothing needed copying
  // or the copy succeeded.
  bool flush() override;

 private:
  struct SavedState {
    int id = 0;
    float opacity = 1.0f;
  };

  // Draws a rounded-corner rectangle or an ellipse with `brush` and `pen`.
  void draw_shape(const Rect& rect, HGDIOBJ brush, HGDIOBJ pen, int corner);
  // Builds the path in the current DC; false when there is none.
  bool build_path(const ui::graphics::Path& path);
  void release();

  HDC target_ = nullptr;
  HDC current_ = nullptr;
  HDC back_ = nullptr;
  GdiBackBuffer* entry_ = nullptr;
  int saved_id_ = 0;
  RECT bounds_{};
  RECT blit_{};
  std::span<const HFONT> fonts_;
  std::vector<SavedState> states_;
  float opacity_ = 1.0f;
  bool valid_ = false;
  bool drawn_ = false;
  bool result_ = false;
};

}  // namespace win32_ui::modern::detail
