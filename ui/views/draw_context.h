// DrawContext is what every view draws through during one paint pass: the
// canvas, the palette, the pixel scale and scroll, the hovered, pressed and
// focused views, and the running transform, opacity and clip of the view
// being drawn. The surface builds one per pass; views get it by reference
// and never keep it. UI thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "ui/platform/layout/layout_types.h"
#include "ui/platform/theme/render_palette.h"
#include "ui/views/graphics/canvas.h"
#include "ui/views/transform.h"

namespace win32_ui::modern {

class View;

// Palette entries of a control's fill, border and text.
struct StateColors {
  int fill = 0;
  int border = 0;
  int text = 0;

  friend bool operator==(const StateColors&, const StateColors&) = default;
};

class DrawContext {
 public:
  struct Setup {
    ui::graphics::Canvas* canvas = nullptr;
    const ui::graphics::RenderPalette* palette = nullptr;
    // Device pixels per DIP.
    float scale = 1.0f;
    // Vertical scroll in DIP.
    float scroll_offset = 0.0f;
    View* hovered = nullptr;
    View* pressed = nullptr;
    View* focused = nullptr;
    bool window_focused = true;
    bool keyboard_cues = false;
    bool right_to_left = false;
    // The area being painted, in DIP; views that miss it are skipped.
    std::optional<layout::LayoutRect> dirty_rect;
  };

  // What push_view changed, for pop_view.
  struct SavedView {
    View* view = nullptr;
    ui::graphics::Transform transform;
    float opacity = 1.0f;
  };

  explicit DrawContext(const Setup& setup);

  ui::graphics::Canvas* canvas() const { return canvas_; }
  const ui::graphics::RenderPalette* palette() const { return palette_; }
  float scale() const { return scale_; }
  float scroll_offset() const { return scroll_offset_; }
  View* current_view() const { return current_; }
  const ui::graphics::Transform& transform() const { return transform_; }
  float opacity() const { return opacity_; }
  // The pixel clip of visibility tests; none when the tests are off.
  std::optional<ui::graphics::Rect> clip() const;

  // Palette colour; black without a palette or past its end.
  ui::graphics::Color color(int index) const;
  float to_px(float dip) const { return dip * scale_; }
  // The current view's arranged rectangle in pixels, scroll removed; empty
  // without a current view.
  ui::graphics::Rect bounds_px() const;
  // The same for the content rectangle (padding removed).
  ui::graphics::Rect surface_bounds_px() const;
  // A layout rectangle in pixels, scroll removed.
  ui::graphics::Rect to_px_rect(const layout::LayoutRect& rect) const;

  // Makes the view current: composes its render transform, multiplies its
  // opacity in, sets both on the canvas and clips to it when it clips its
  // children.
  SavedView push_view(View& view);
  void pop_view(const SavedView& saved);
  // current x view opacity in [0, 1]; 1 when the product is not a number.
  static float combine_opacity(float current, float view);

  // Whether the view's rectangle grown by 4 DIP meets the painted area.
  bool is_visible(const View& view) const;
  bool is_hovered(const View& view) const;
  bool is_pressed(const View& view) const;
  bool is_focused(const View& view) const;
  bool shows_focus_ring(const View& view) const;
  bool is_dark() const { return palette_ != nullptr && palette_->dark != 0; }
  bool is_high_contrast() const { return palette_ != nullptr && palette_->high_contrast != 0; }
  bool is_right_to_left() const { return right_to_left_; }

  // The 1-based canvas font of a text style kind.
  std::uint32_t font_for(int kind) const { return static_cast<std::uint32_t>(kind + 1); }
  ui::graphics::TextStyle apply_direction(ui::graphics::TextStyle style) const;
  ui::graphics::Color outline_color() const;
  // In pixels.
  float outline_width() const;
  // The palette entries of a control of the given tone (as the widgets
  // number them) in state 0 rest, 1 hovered, 2 pressed or 3 disabled.
  StateColors state_colors(int tone, int state, bool accent) const;

  // Token overrides from the current view up its ancestors, else `fallback`.
  ui::graphics::Color find_color(std::uint64_t key, ui::graphics::Color fallback) const;
  float find_metric(std::uint64_t key, float fallback) const;

 private:
  // The view's render transform in pixel space (about its pivot), or none
  // for the identity.
  std::optional<ui::graphics::Transform> pixel_transform_of(const View& view) const;

  ui::graphics::Canvas* canvas_;
  const ui::graphics::RenderPalette* palette_;
  float scale_;
  float scroll_offset_;
  View* hovered_;
  View* pressed_;
  View* focused_;
  bool window_focused_;
  bool keyboard_cues_;
  bool right_to_left_;
  View* current_ = nullptr;
  ui::graphics::Transform transform_;
  float opacity_ = 1.0f;
  ui::graphics::Rect clip_;
  bool tests_visibility_ = false;
};

}  // namespace win32_ui::modern
