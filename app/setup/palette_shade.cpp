#include "app/setup/palette_shade.h"

#include <cstdint>

namespace quorvel::windows {

win32_ui::ui::graphics::Color lowered_by(win32_ui::ui::graphics::Color color, int steps) {
  const auto lower = [steps](std::uint8_t channel) {
    return static_cast<std::uint8_t>(channel <= steps ? 0 : channel - steps);
  };
  return {lower(color.r), lower(color.g), lower(color.b)};
}

}  // namespace quorvel::windows
