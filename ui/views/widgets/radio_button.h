// RadioButton is a push control drawn as a 20 DIP circle, filled with a dot
// while selected (its checked flag). It never selects itself: activation
// raises invoked, and the owner of the group sets the checked flags of its
// buttons. Owned by its parent; UI thread only.
#pragma once

#include <functional>
#include <string>

#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

class RadioButton : public Interactive {
 public:
  RadioButton(int control_id, std::wstring text, bool selected);

  // Called when the user picks this button.
  RadioButton& on_selected(std::function<void()> callback);

  void describe(ElementInfo& info) const override;
  // Selecting through accessibility is invoking.
  bool perform_action(const ElementAction& action) override;
  void draw(DrawContext& context) override;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
