#include "ui/views/widgets/slider.h"

#include <algorithm>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {

using ui::graphics::Rect;

Slider::Slider(int control_id, float value)
    : Interactive(kWidgetSlider, kInteractionRange, {160.0f, 30.0f}) {
  set_control_id(control_id);
  store_initial_value(value);
}

Slider& Slider::set_value(float value, InputOrigin origin, bool notify) {
  apply_value(value, origin, notify);
  return *this;
}

Slider& Slider::on_value_changed(std::function<void(float)> callback) {
  add_event_handler(Event::kValueChanged, [callback = std::move(callback)](Event& event) {
    if (callback) callback(event.value);
  });
  return *this;
}

void Slider::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const Rect area = context.surface_bounds_px();
  const float cy = (area.top + area.bottom) / 2.0f;
  const float x0 = area.left + context.to_px(8.0f);
  const float x1 = area.right - context.to_px(8.0f);
  const bool rtl = context.is_right_to_left();
  const float thumb = rtl ? x1 - (x1 - x0) * value() : x0 + (x1 - x0) * value();
  const float half = context.to_px(2.0f);
  const float radius = context.to_px(2.0f);
  const int accent = accepts_input() ? 9 : 5;

  canvas->fill_round_rect({x0, cy - half, x1, cy + half}, radius, context.color(3));
  const Rect filled = rtl ? Rect{thumb, cy - half, x1, cy + half}
                          : Rect{x0, cy - half, thumb, cy + half};
  canvas->fill_round_rect(filled, radius, context.color(accent));

  const float hovered = effective_progress(*this, context, ui::graphics::kStateHovered);
  const float pressed = effective_progress(*this, context, ui::graphics::kStatePressed);
  const float r = context.to_px(16.0f + 2.0f * hovered + 2.0f * pressed) / 2.0f;
  const Rect knob{thumb - r, cy - r, thumb + r, cy + r};
  canvas->fill_ellipse(knob, context.color(1));
  canvas->stroke_ellipse(knob, context.color(accent), std::max(context.to_px(1.0f), 1.0f));
  draw_focus_ring(*this, context);
}

}  // namespace win32_ui::modern
