#include "ui/views/widgets/radio_button.h"

#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/indicator_layout.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {

using ui::graphics::Rect;

RadioButton::RadioButton(int control_id, std::wstring text, bool selected)
    : Interactive(kWidgetRadioButton, kInteractionPush, {0.0f, 32.0f}) {
  set_localized_text(LocalizedText::from_text(std::move(text)));
  set_control_id(control_id);
  set_checked_flag(selected);
}

RadioButton& RadioButton::on_selected(std::function<void()> callback) {
  add_event_handler(Event::kInvoked, [callback = std::move(callback)](Event&) {
    if (callback) callback();
  });
  return *this;
}

void RadioButton::describe(ElementInfo& info) const {
  Interactive::describe(info);
  info.role = ElementRole::kRadioButton;
  info.toggle_state = is_checked();
  info.selected = is_checked();
  info.add_flags(ElementAction::kSelect);
}

bool RadioButton::perform_action(const ElementAction& action) {
  if (action.kind != ElementAction::kSelect) return Interactive::perform_action(action);
  ElementAction invoke = action;
  invoke.kind = ElementAction::kInvoke;
  return Interactive::perform_action(invoke);
}

layout::Size RadioButton::measure_override(const layout::SizeConstraint& content,
                                           const layout::LayoutContext& context) {
  return measure_beside_indicator(content, context, 30.0f);
}

void RadioButton::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const bool rtl = context.is_right_to_left();
  const Rect area = context.surface_bounds_px();
  const float side = context.to_px(20.0f);
  const Rect circle = indicator_rect(area, side, side, rtl);
  canvas->fill_ellipse(circle, context.color(1));
  canvas->stroke_ellipse(circle, context.color(is_checked() ? 9 : 5), context.to_px(1.5f));
  if (is_checked()) canvas->fill_ellipse(inset_rect(circle, context.to_px(5.0f)), context.color(9));
  draw_indicator_label(context, text(), label_rect(area, circle, context.to_px(10.0f), rtl),
                       accepts_input());
  draw_focus_ring(*this, context);
}

}  // namespace win32_ui::modern
