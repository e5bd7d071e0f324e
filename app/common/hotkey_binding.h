// The program's eleven global hotkeys: their actions, one row of the hotkey
// table, the default table and the rule for which key combinations may be
// taken from every other program. Plain values; any thread.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvel::windows {

enum class HotkeyAction : uint8_t {
  kMoveTopLeft = 0,
  kMoveTopRight = 1,
  kMoveBottomRight = 2,
  kMoveBottomLeft = 3,
  kZoomIn = 4,
  kZoomOut = 5,
  kToggleControl = 6,
  kTogglePause = 7,
  kStop = 8,
  kScreenshot = 9,
  kQuickRecord = 10,
};

inline constexpr std::size_t kHotkeyCount = 11;

// The modifier bits RegisterHotKey takes (without MOD_NOREPEAT).
inline constexpr uint32_t kHotkeyModifierMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

struct HotkeyBinding {
  const wchar_t* name_key;  // catalogue key of the action's name
  uint32_t modifiers;       // MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN
  uint32_t key;             // virtual-key code
  HotkeyAction action;
};

using HotkeyTable = std::array<HotkeyBinding, kHotkeyCount>;

// Row n serves action n.
inline constexpr HotkeyTable kDefaultHotkeyTable = {{
    {L"hotkey.move_top_left", MOD_CONTROL, VK_F1, HotkeyAction::kMoveTopLeft},
    {L"hotkey.move_top_right", MOD_CONTROL, VK_F2, HotkeyAction::kMoveTopRight},
    {L"hotkey.move_bottom_right", MOD_CONTROL, VK_F3, HotkeyAction::kMoveBottomRight},
    {L"hotkey.move_bottom_left", MOD_CONTROL, VK_F4, HotkeyAction::kMoveBottomLeft},
    {L"hotkey.zoom_in", MOD_CONTROL | MOD_SHIFT, 'Z', HotkeyAction::kZoomIn},
    {L"hotkey.zoom_out", MOD_CONTROL | MOD_ALT, 'Z', HotkeyAction::kZoomOut},
    {L"hotkey.toggle_control", MOD_CONTROL | MOD_SHIFT, 'X', HotkeyAction::kToggleControl},
    {L"hotkey.toggle_pause", MOD_CONTROL | MOD_SHIFT, 'S', HotkeyAction::kTogglePause},
    {L"hotkey.stop", MOD_CONTROL, VK_F12, HotkeyAction::kStop},
    {L"hotkey.screenshot", MOD_CONTROL | MOD_SHIFT, 'A', HotkeyAction::kScreenshot},
    {L"hotkey.quick_record", MOD_CONTROL | MOD_SHIFT, 'C', HotkeyAction::kQuickRecord},
}};

// Whether a combination may become a global hotkey: a key, and Ctrl, Alt or
// Win among the modifiers (after masking them to kHotkeyModifierMask), unless
// the key is one of F1 to F24. Anything else (a plain letter, Shift+letter)
// would steal that key from every program.
bool is_acceptable_hotkey(uint32_t modifiers, uint32_t key);

}  // namespace quorvel::windows
