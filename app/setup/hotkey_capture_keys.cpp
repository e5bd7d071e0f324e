#include "app/setup/hotkey_capture_keys.h"

#include <windows.h>

#include "ui/views/key_event.h"

namespace quorvel::windows {

bool is_modifier_key(std::uint32_t virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
      return true;
    default:
      return virtual_key >= VK_LSHIFT && virtual_key <= VK_RMENU;
  }
}

unsigned hotkey_modifiers(std::int32_t toolkit_modifiers) {
  using win32_ui::modern::KeyEvent;
  unsigned result = 0;
  if (toolkit_modifiers & KeyEvent::kShift) result |= MOD_SHIFT;
  if (toolkit_modifiers & KeyEvent::kCtrl) result |= MOD_CONTROL;
  if (toolkit_modifiers & KeyEvent::kAlt) result |= MOD_ALT;
  if (toolkit_modifiers & KeyEvent::kWindows) result |= MOD_WIN;
  return result;
}

}  // namespace quorvel::windows
