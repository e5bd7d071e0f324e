#include "ui/views/widgets/widget_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ui/views/view.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::DrawableState;

std::uint8_t mix_channel(int a, int b, int k) {
  return static_cast<std::uint8_t>((a * (255 - k) + b * k + 127) / 255);
}

}  // namespace

Color mix_color(Color a, Color b, float t) {
  const float clamped = std::isnan(t) ? 0.0f : std::clamp(t, 0.0f, 1.0f);
  const int k = std::min(255, static_cast<int>(std::lround(255.0f * clamped)));
  return Color{mix_channel(a.r, b.r, k), mix_channel(a.g, b.g, k), mix_channel(a.b, b.b, k)};
}

StateColorValues mix_state_colors(const StateColorValues& a, const StateColorValues& b, float t) {
  return {mix_color(a.fill, b.fill, t), mix_color(a.border, b.border, t),
          mix_color(a.text, b.text, t)};
}

StateColorValues resolve_state_colors(const DrawContext& context, StateColors entries) {
  return {context.color(entries.fill), context.color(entries.border), context.color(entries.text)};
}

float effective_progress(const View& view, const DrawContext& context, DrawableState bit) {
  const bool own = (view.drawable_state() & bit) != 0;
  if (context.is_high_contrast()) return own ? 1.0f : 0.0f;
  bool reported = false;
  if (bit == ui::graphics::kStateHovered) reported = context.is_hovered(view);
  if (bit == ui::graphics::kStatePressed) reported = context.is_pressed(view);
  const float instant = reported && !own ? 1.0f : 0.0f;
  return std::max(view.interaction_progress(bit), instant);
}

ui::graphics::Rect inset_rect(const ui::graphics::Rect& rect, float inset) {
  return {rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
}

void draw_focus_ring(const View& view, DrawContext& context) {
  if (context.canvas() == nullptr || !context.shows_focus_ring(view)) return;
  const ui::graphics::Rect ring = inset_rect(context.bounds_px(), -context.to_px(3.0f));
  context.canvas()->stroke_round_rect(ring, context.to_px(11.0f), context.outline_color(),
                                      context.outline_width());
}

}  // namespace win32_ui::modern
