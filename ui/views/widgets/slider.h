// Slider is the range control holding a value in [0, 1]: a thin track with
// the part before the thumb in the accent colour. Pointer, arrow keys and
// the accessibility range action move the value and raise value changed.
// Owned by its parent; UI thread only.
#pragma once

#include <functional>

#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

class Slider : public Interactive {
 public:
  // The value clamped to [0, 1]; raises no event.
  Slider(int control_id, float value);

  Slider& set_value(float value, InputOrigin origin, bool notify);
  // Called with the new value after each change that notifies.
  Slider& on_value_changed(std::function<void(float)> callback);

  void draw(DrawContext& context) override;
};

}  // namespace win32_ui::modern
