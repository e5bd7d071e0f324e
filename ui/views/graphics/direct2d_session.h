// Direct2dSession draws with Direct2D and DirectWrite onto a device context
// for the length of one paint. It borrows the painting thread's DC render
// target, binds it to the DC and rectangle it was made with (coordinates are
// pixels from that rectangle's top-left corner) and ends drawing in
// end_draw() or its destructor. Only one session draws on a thread at a
// time: a second one begun while the first is active stays inactive.
//
// Drawing calls report nothing one by one: any failure clears the ok flag
// that end_draw() returns, so the caller can repaint with GDI. Colours are
// packed 0x00BBGGRR values. Used by the Direct2D canvas, the native-control
// painters and the screenshot editor, on the thread that paints.
#pragma once

#include <d2d1.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/views/graphics/canvas.h"

namespace win32_ui::modern::detail {

struct SessionTextStyle {
  HFONT font = nullptr;     // null: "Segoe UI", 12 px, regular
  std::uint32_t color = 0;  // 0x00BBGGRR
  std::int32_t h_align = 0;  // 0 leading, 1 centre, 2 trailing
  std::int32_t v_align = 0;  // 0 top, 1 centre, 2 bottom
  bool single_line = false;
  bool end_ellipsis = false;
  bool right_to_left = false;
};

class Direct2dSession {
 public:
  using Rect = ui::graphics::Rect;
  using Point = ui::graphics::Point;

  // Begins drawing on `dc` within `bounds`; stays inactive when the DC is
  // null, the rectangle empty, another session draws on this thread, or
  // Direct2D cannot start.
  Direct2dSession(HDC dc, const RECT& bounds);
  ~Direct2dSession();
  Direct2dSession(const Direct2dSession&) = delete;
  Direct2dSession& operator=(const Direct2dSession&) = delete;

  bool is_active() const { return active_ && target_ && brush_; }
  // Ends drawing once; true when every operation and the final EndDraw
  // succeeded (the stored result after the first call).
  bool end_draw();

  void clear(std::uint32_t color);
  void fill_rect(const Rect& rect, std::uint32_t color);
  void fill_round_rect(const Rect& rect, float radius, std::uint32_t color);
  void stroke_round_rect(const Rect& rect, float radius, std::uint32_t color, float width);
  void fill_ellipse(const Rect& rect, std::uint32_t color);
  void stroke_ellipse(const Rect& rect, std::uint32_t color, float width);
  void draw_line(Point from, Point to, std::uint32_t color, float width);
  void draw_polyline(std::span<const Point> points, std::uint32_t color, float width);
  void fill_triangle(Point a, Point b, Point c, std::uint32_t color);
  void fill_path(const ui::graphics::Path& path, std::uint32_t color, bool winding);
  void stroke_path(const ui::graphics::Path& path, std::uint32_t color, float width);
  void draw_text(std::wstring_view text, const Rect& rect, const SessionTextStyle& style);
  void draw_image(const ui::graphics::Image& image, const Rect& rect, float opacity, bool smooth);

  // Clips later drawing to the rectangle until a restore or the end.
  void push_clip(const Rect& rect);
  // True when a layer was pushed.
  bool push_layer(const Rect& bounds, float opacity);
  void pop_layer();
  void save();
  // Pops the last saved state with the layers and clips pushed since;
  // nothing when none is saved.
  void restore();
  void set_transform(const ui::graphics::Transform& transform);
  // Clamped to [0, 1]; applies to every later fill, stroke, text and image.
  void set_opacity(float opacity);

 private:
  struct SavedState {
    ui::graphics::Transform transform;
    float opacity = 1.0f;
    std::size_t clip_depth = 0;
    std::size_t layer_count = 0;
  };

  bool begin(HDC dc, const RECT& bounds);
  // Sets the brush to the colour at the session's opacity; false when
  // nothing can be drawn.
  bool use_color(std::uint32_t color);
  void draw_geometry(const ui::graphics::Path& path, std::uint32_t color, bool fill,
                     bool winding, float width);
  void note_failure(HRESULT hr);

  ID2D1DCRenderTarget* target_ = nullptr;  // the thread's, borrowed
  Microsoft::WRL::ComPtr<ID2D1SolidColorBrush> brush_;
  bool active_ = false;
  bool ok_ = false;
  bool recreate_ = false;
  ui::graphics::Transform transform_;
  float opacity_ = 1.0f;
  std::size_t clip_depth_ = 0;
  std::vector<Microsoft::WRL::ComPtr<ID2D1Layer>> layers_;
  std::vector<SavedState> saved_;
};

}  // namespace win32_ui::modern::detail
