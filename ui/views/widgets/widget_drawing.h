// Drawing operations every ready-made widget shares: the integer colour mix
// that animates between palette entries, the state progress that widgets
// read while painting, and the focus ring of the small controls. Called on
// the UI thread during a paint pass.
#pragma once

#include "ui/views/draw_context.h"
#include "ui/views/drawable_state.h"
#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/color.h"

namespace win32_ui::modern {

class View;

// The colours of a control's fill, border and text, resolved from the
// palette entries that DrawContext::state_colors names.
struct StateColorValues {
  ui::graphics::Color fill;
  ui::graphics::Color border;
  ui::graphics::Color text;

  friend bool operator==(const StateColorValues&, const StateColorValues&) = default;
};

// a at t = 0, b at t = 1; t is clamped to [0, 1] (NaN counts as 0) and
// quantised to k / 255 with halves rounded away from zero.
ui::graphics::Color mix_color(ui::graphics::Color a, ui::graphics::Color b, float t);
StateColorValues mix_state_colors(const StateColorValues& a, const StateColorValues& b, float t);
StateColorValues resolve_state_colors(const DrawContext& context, StateColors entries);

// How far the view is into the state of `bit` (hovered, pressed, checked or
// selected) for drawing: the plain flag in high contrast, otherwise its
// animated progress, or 1 at once when the context reports the state for the
// view before the view's own flag has caught up.
float effective_progress(const View& view, const DrawContext& context,
                         ui::graphics::DrawableState bit);

// `rect` shrunk by `inset` on every side.
ui::graphics::Rect inset_rect(const ui::graphics::Rect& rect, float inset);

// The keyboard focus ring around the current view's bounds, grown by 3 DIP,
// drawn only while the context shows focus rings for the view.
void draw_focus_ring(const View& view, DrawContext& context);

}  // namespace win32_ui::modern
