// The display text of a key combination ("Ctrl+Shift+A"), with the key name
// the current keyboard layout gives. UI thread (reads the keyboard layout).
#pragma once

#include <cstdint>
#include <string>

#include "app/common/hotkey_binding.h"

namespace quorvel::windows {

// Modifier words in the fixed order "Ctrl+", "Alt+", "Shift+", "Win+", then
// the layout's name of the key, or "VK n" when the layout has none.
std::wstring hotkey_text(uint32_t modifiers, uint32_t key);
std::wstring hotkey_text(const HotkeyBinding& binding);

}  // namespace quorvel::windows
