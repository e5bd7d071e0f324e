#include "app/common/hotkey_binding.h"

namespace quorvel::windows {

bool is_acceptable_hotkey(uint32_t modifiers, uint32_t key) {
  if (key == 0 || key > 0xFF) return false;
  if ((modifiers & (MOD_CONTROL | MOD_ALT | MOD_WIN)) != 0) return true;
  return key >= VK_F1 && key <= VK_F24;
}

}  // namespace quorvel::windows
