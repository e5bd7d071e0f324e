#include "ui/views/widgets/check_box.h"

#include <algorithm>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/indicator_layout.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {

using ui::graphics::Color;
using ui::graphics::Point;
using ui::graphics::Rect;

CheckBox::CheckBox(int control_id, std::wstring text, bool checked)
    : Interactive(kWidgetCheckBox, kInteractionCheck, {0.0f, 32.0f}) {
  set_localized_text(LocalizedText::from_text(std::move(text)));
  set_control_id(control_id);
  set_checked_flag(checked);
}

CheckBox& CheckBox::on_checked_changed(std::function<void(bool)> callback) {
  add_event_handler(Event::kCheckedChanged, [callback = std::move(callback)](Event& event) {
    if (callback) callback(event.checked);
  });
  return *this;
}

layout::Size CheckBox::measure_override(const layout::SizeConstraint& content,
                                        const layout::LayoutContext& context) {
  return measure_beside_indicator(content, context, 28.0f);
}

void CheckBox::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const bool rtl = context.is_right_to_left();
  const float checked = effective_progress(*this, context, ui::graphics::kStateChecked);
  const float hovered = effective_progress(*this, context, ui::graphics::kStateHovered);
  const Rect area = context.surface_bounds_px();
  const float side = context.to_px(20.0f);
  const Rect box = indicator_rect(area, side, side, rtl);
  const float radius = context.to_px(4.0f);

  Color fill = mix_color(context.color(1), context.color(9), checked);
  if (accepts_input() && !context.is_high_contrast()) {
    fill = mix_color(fill, context.color(2), 0.12f * hovered);
  }
  canvas->fill_round_rect(box, radius, fill);
  const float outline = std::max(context.to_px(1.0f), 1.0f);
  canvas->stroke_round_rect(inset_rect(box, outline / 2.0f), radius,
                            mix_color(context.color(5), context.color(9), checked), outline);
  if (checked > 0.5f) {
    const auto at = [&](float x, float y) {
      return Point{box.left + context.to_px(x), box.top + context.to_px(y)};
    };
    const float stroke = context.to_px(2.0f);
    canvas->draw_line(at(5, 10), at(9, 14), context.color(13), stroke);
    canvas->draw_line(at(9, 14), at(16, 6), context.color(13), stroke);
  }
  draw_indicator_label(context, text(), label_rect(area, box, context.to_px(8.0f), rtl),
                       accepts_input());
  draw_focus_ring(*this, context);
}

}  // namespace win32_ui::modern
