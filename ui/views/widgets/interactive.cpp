#include "ui/views/widgets/interactive.h"

#include <algorithm>
#include <cmath>

#include "ui/views/key_codes.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/widget_text.h"

namespace win32_ui::modern {
namespace {

float clamp_unit(float value) { return std::clamp(value, 0.0f, 1.0f); }

}  // namespace

Interactive::Interactive(WidgetKind kind, InteractionKind interaction, layout::Size default_size)
    : Widget(kind, default_size), interaction_(interaction) {
  set_pointer_input(true);
  set_focusable(true);
}

void Interactive::activate(InputOrigin origin) {
  if (!accepts_input()) return;
  const bool check = interaction_ == kInteractionCheck;
  if (check) set_checked_flag(!is_checked());
  invalidate();
  raise_event(check ? Event::kCheckedChanged : Event::kInvoked, origin);
}

void Interactive::apply_value(float value, InputOrigin origin, bool notify) {
  if (std::isnan(value)) return;
  const float clamped = clamp_unit(value);
  if (std::fabs(clamped - value_) < kValueEpsilon) return;
  value_ = clamped;
  invalidate();
  notify_semantics_changed();
  if (notify) raise_event(Event::kValueChanged, origin);
}

void Interactive::set_value_from_pointer(float x, InputOrigin origin) {
  if (!accepts_input() || interaction_ != kInteractionRange) return;
  float v = clamp_unit((x - 8.0f) / std::max(bounds().width - 16.0f, 1.0f));
  if (right_to_left()) v = 1.0f - v;
  apply_value(v, origin, true);
}

void Interactive::raise_event(std::int32_t kind, InputOrigin origin) {
  Event event;
  event.control_id = control_id();
  event.widget_kind = this->kind();
  event.kind = kind;
  event.origin = origin;
  event.source = this;
  event.current = nullptr;
  event.phase = Event::kPhaseTarget;
  event.checked = is_checked();
  event.value = value_;
  event.index = -1;
  post_event(event);
}

Interactive& Interactive::set_checked(bool checked) {
  set_checked_flag(checked);
  return *this;
}

Interactive& Interactive::set_checked_flag(bool checked) {
  View::set_checked_flag(checked);
  return *this;
}

Interactive& Interactive::set_command(int command_id) {
  command_ = command_id;
  return *this;
}

Interactive& Interactive::set_input_enabled(bool enabled) {
  if (input_enabled_ == enabled) return *this;
  input_enabled_ = enabled;
  invalidate();
  notify_semantics_changed();
  return *this;
}

void Interactive::store_initial_value(float value) {
  if (std::isnan(value)) return;
  const float clamped = clamp_unit(value);
  if (std::fabs(clamped - 0.0f) < kValueEpsilon) return;
  value_ = clamped;
}

bool Interactive::can_focus() const { return Widget::can_focus() && accepts_input(); }

void Interactive::describe(ElementInfo& info) const {
  Widget::describe(info);
  info.enabled = accepts_input();
  switch (interaction_) {
    case kInteractionPush:
      info.add_flags(ElementAction::kInvoke);
      break;
    case kInteractionCheck:
      info.toggle_state = is_checked();
      info.add_flags(ElementAction::kToggle);
      break;
    case kInteractionRange:
      info.has_range = true;
      info.range_minimum = 0.0;
      info.range_maximum = 1.0;
      info.range_value = value_;
      info.range_step = kValueStep;
      info.add_flags(ElementAction::kSetRangeValue);
      break;
    default:
      break;
  }
}

bool Interactive::perform_action(const ElementAction& action) {
  if (!accepts_input()) return false;
  if ((action.kind == ElementAction::kInvoke && interaction_ == kInteractionPush) ||
      (action.kind == ElementAction::kToggle && interaction_ == kInteractionCheck)) {
    activate(kInputAccessibility);
    return true;
  }
  if (action.kind == ElementAction::kSetRangeValue && interaction_ == kInteractionRange &&
      std::isfinite(action.value)) {
    apply_value(static_cast<float>(action.value), kInputAccessibility, true);
    return true;
  }
  return Widget::perform_action(action);
}

bool Interactive::release_inside(const PointerEvent& event) {
  View* root = this;
  while (root->parent() != nullptr) root = root->parent();
  HitTestResult hit;
  return root->hit_test(event.position, hit) && hit.view == this;
}

bool Interactive::handle_pointer(PointerEvent& event) {
  const bool captured = captured_pointer_ && *captured_pointer_ == event.pointer_id;
  switch (event.action) {
    case kPointerDown:
      if (captured_pointer_) return false;
      captured_pointer_ = event.pointer_id;
      set_pressed(true);
      request_focus(kFocusPointer);
      if (interaction_ == kInteractionRange) {
        set_value_from_pointer(event.local_position.x, kInputPointer);
      }
      return true;
    case kPointerMove:
      if (!captured) return false;
      if (interaction_ == kInteractionRange) {
        set_value_from_pointer(event.local_position.x, kInputPointer);
      }
      return true;
    case kPointerUp:
      if (!captured) return false;
      captured_pointer_.reset();
      set_pressed(false);
      if (interaction_ != kInteractionRange && release_inside(event)) activate(kInputPointer);
      return true;
    case kPointerCancel:
      if (!captured) return false;
      captured_pointer_.reset();
      set_pressed(false);
      return true;
    default:
      return false;
  }
}

bool Interactive::on_key(KeyEvent& event) {
  if (event.kind != KeyEvent::kDown || event.modifiers != 0 || !accepts_input()) return false;
  if (interaction_ == kInteractionRange) {
    float step = 0.0f;
    switch (event.key) {
      case kKeyUp: step = kValueStep; break;
      case kKeyDown: step = -kValueStep; break;
      case kKeyRight: step = right_to_left() ? -kValueStep : kValueStep; break;
      case kKeyLeft: step = right_to_left() ? kValueStep : -kValueStep; break;
      default: return false;
    }
    apply_value(value_ + step, kInputKeyboard, true);
    return true;
  }
  if (event.key == kKeyEnter || event.key == kKeySpace) {
    activate(kInputKeyboard);
    return true;
  }
  return false;
}

bool Interactive::is_hit_target() const { return takes_pointer_input() && accepts_input(); }

layout::Size Interactive::measure_beside_indicator(const layout::SizeConstraint& content,
                                                   const layout::LayoutContext& context,
                                                   float indicator) {
  const layout::Size measured = measure_widget_text(text(), text_style(), context);
  const float width = std::max({default_size().width, indicator, measured.width + indicator});
  return clamp_size(content, {width, std::max(measured.height, default_size().height)});
}

}  // namespace win32_ui::modern
