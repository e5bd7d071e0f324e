// CheckBox is the check control drawn as a 20 DIP box with a check mark
// before its label. Activation flips it and raises checked changed. Owned by
// its parent; UI thread only.
#pragma once

#include <functional>
#include <string>

#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

class CheckBox : public Interactive {
 public:
  // Setting the initial state raises no event.
  CheckBox(int control_id, std::wstring text, bool checked);

  // Called with the new state after each user change.
  CheckBox& on_checked_changed(std::function<void(bool)> callback);

  void draw(DrawContext& context) override;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
