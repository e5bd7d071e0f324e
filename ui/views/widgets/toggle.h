// Toggle is the on/off switch: a 44 x 24 DIP track whose white knob slides
// to the far end when on, before its label. Activation flips it and raises
// checked changed. Owned by its parent; UI thread only.
#pragma once

#include <functional>
#include <string>

#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

class Toggle : public Interactive {
 public:
  // Setting the initial state raises no event.
  Toggle(int control_id, std::wstring text, bool on);

  // Called with the new state after each user change.
  Toggle& on_checked_changed(std::function<void(bool)> callback);

  void draw(DrawContext& context) override;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
