// Interactive is the widget that takes focus, keys, pointer input and
// accessibility actions and reports what the user did as an Event: invoked
// for push controls, checked changed for check controls, value changed for
// range controls. A second switch besides the view's enabled flag, input
// enabled, lets the command table grey out a control whose command cannot
// run; a control accepts input only with both set.
//
// Owned by its parent view. UI thread only; accessibility actions arrive
// already marshalled to it.
#pragma once

#include <cstdint>
#include <optional>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/event.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {

using InteractionKind = std::int32_t;
inline constexpr InteractionKind kInteractionPush = 0;
inline constexpr InteractionKind kInteractionCheck = 1;
inline constexpr InteractionKind kInteractionRange = 2;

class Interactive : public Widget {
 public:
  // Changes of a range value smaller than this are ignored.
  static constexpr float kValueEpsilon = 1e-4f;
  // What one arrow key moves a range value by.
  static constexpr float kValueStep = 0.05f;

  Interactive(WidgetKind kind, InteractionKind interaction, layout::Size default_size);

  // Flips a check control, then raises checked changed (check) or invoked.
  // Nothing unless the control accepts input.
  void activate(InputOrigin origin);
  // Clamps to [0, 1]; a change under kValueEpsilon is dropped. Raises value
  // changed when `notify`.
  void apply_value(float value, InputOrigin origin, bool notify);
  // The range value under the pointer's local x (DIP), mirrored right to left.
  void set_value_from_pointer(float x, InputOrigin origin);
  // Posts an event of `kind` raised by this control.
  void raise_event(std::int32_t kind, InputOrigin origin);

  // Raises no event.
  Interactive& set_checked(bool checked);
  Interactive& set_command(int command_id);
  Interactive& set_input_enabled(bool enabled);

  bool accepts_input() const { return is_enabled() && input_enabled_; }
  bool is_input_enabled() const { return input_enabled_; }
  InteractionKind interaction_kind() const { return interaction_; }
  float value() const { return value_; }
  std::optional<int> command() const { return command_; }
  std::optional<std::uint32_t> captured_pointer() const { return captured_pointer_; }

  bool can_focus() const override;
  void describe(ElementInfo& info) const override;
  bool perform_action(const ElementAction& action) override;
  bool handle_pointer(PointerEvent& event) override;
  bool on_key(KeyEvent& event) override;
  bool is_hit_target() const override;

 protected:
  Interactive& set_checked_flag(bool checked);
  // Stores a value without repaint or event, for constructors.
  void store_initial_value(float value);
  // The label-beside-indicator measure of check boxes, radio buttons and
  // toggles: at least `indicator` wide plus the text, the default size at
  // least.
  layout::Size measure_beside_indicator(const layout::SizeConstraint& content,
                                        const layout::LayoutContext& context, float indicator);

 private:
  bool right_to_left() const { return direction() == layout::kLayoutRightToLeft; }
  bool release_inside(const PointerEvent& event);

  InteractionKind interaction_;
  float value_ = 0.0f;
  bool input_enabled_ = true;
  std::optional<int> command_;
  std::optional<std::uint32_t> captured_pointer_;
};

}  // namespace win32_ui::modern
