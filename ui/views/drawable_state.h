// DrawableState is the interaction state of a view as a bit set, handed to
// drawables and to View::on_state_changed: enabled, pressed, hovered,
// focused, checked and selected.
#pragma once

#include <cstdint>

namespace win32_ui::ui::graphics {

using DrawableState = std::uint32_t;
inline constexpr DrawableState kStateEnabled = 1;
inline constexpr DrawableState kStatePressed = 2;
inline constexpr DrawableState kStateHovered = 4;
inline constexpr DrawableState kStateFocused = 8;
inline constexpr DrawableState kStateChecked = 16;
inline constexpr DrawableState kStateSelected = 32;

}  // namespace win32_ui::ui::graphics
