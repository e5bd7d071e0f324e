// The key rules of hotkey capture: which keys only modify a combination,
// and the toolkit's modifier flags in the form RegisterHotKey takes.
#pragma once

#include <cstdint>

namespace quorvel::windows {

// Shift, Ctrl, Alt and the Windows keys, left, right or either: pressing
// one alone keeps the capture going.
bool is_modifier_key(std::uint32_t virtual_key);

// Toolkit Shift 1, Ctrl 2, Alt 4, Win 8 to hotkey Alt 1, Ctrl 2, Shift 4,
// Win 8.
unsigned hotkey_modifiers(std::int32_t toolkit_modifiers);

}  // namespace quorvel::windows
