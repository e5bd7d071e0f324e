#include "ui/views/widgets/toggle.h"

#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/indicator_layout.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {

using ui::graphics::Color;
using ui::graphics::Rect;

Toggle::Toggle(int control_id, std::wstring text, bool on)
    : Interactive(kWidgetToggle, kInteractionCheck, {0.0f, 32.0f}) {
  set_localized_text(LocalizedText::from_text(std::move(text)));
  set_control_id(control_id);
  set_checked_flag(on);
}

Toggle& Toggle::on_checked_changed(std::function<void(bool)> callback) {
  add_event_handler(Event::kCheckedChanged, [callback = std::move(callback)](Event& event) {
    if (callback) callback(event.checked);
  });
  return *this;
}

layout::Size Toggle::measure_override(const layout::SizeConstraint& content,
                                      const layout::LayoutContext& context) {
  return measure_beside_indicator(content, context, 56.0f);
}

void Toggle::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const bool rtl = context.is_right_to_left();
  const float on = effective_progress(*this, context, ui::graphics::kStateChecked);
  const Rect area = context.surface_bounds_px();
  const Rect track = indicator_rect(area, context.to_px(44.0f), context.to_px(24.0f), rtl);

  Color color = mix_color(context.color(5), context.color(9), on);
  if (!accepts_input()) {
    color = context.color(3);
  } else if (!context.is_high_contrast()) {
    const float hovered = effective_progress(*this, context, ui::graphics::kStateHovered);
    const float pressed = effective_progress(*this, context, ui::graphics::kStatePressed);
    color = mix_color(color, context.color(10), 0.18f * hovered);
    color = mix_color(color, context.color(11), 0.24f * pressed);
  }
  canvas->fill_round_rect(track, context.to_px(12.0f), color);

  // The knob's centre travels between 12 DIP inside either end.
  const float inner = context.to_px(12.0f);
  const float travel = (track.width() - 2.0f * inner) * on;
  const float cx = rtl ? track.right - inner - travel : track.left + inner + travel;
  const float cy = (track.top + track.bottom) / 2.0f;
  const float knob = context.to_px(9.0f);
  canvas->fill_ellipse({cx - knob, cy - knob, cx + knob, cy + knob}, Color{255, 255, 255});

  draw_indicator_label(context, text(), label_rect(area, track, context.to_px(12.0f), rtl),
                       accepts_input());
  draw_focus_ring(*this, context);
}

}  // namespace win32_ui::modern
