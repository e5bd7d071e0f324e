// Darker variants of palette colours for the setup windows' surfaces.
#pragma once

#include "ui/views/graphics/color.h"

namespace quorvel::windows {

// Each channel lowered by `steps`; a channel at `steps` or below becomes 0.
win32_ui::ui::graphics::Color lowered_by(win32_ui::ui::graphics::Color color, int steps);

}  // namespace quorvel::windows
