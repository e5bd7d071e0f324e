// KeyEvent is one key press, release or character on its way from the
// window to the focused view and its ancestors. A plain value on the UI
// thread; the view pointers are not owned.
#pragma once

#include <cstdint>

namespace win32_ui::modern {

class View;

struct KeyEvent {
  static constexpr std::int32_t kDown = 0;
  static constexpr std::int32_t kUp = 1;
  static constexpr std::int32_t kCharacter = 2;

  static constexpr std::int32_t kShift = 1;
  static constexpr std::int32_t kCtrl = 2;
  static constexpr std::int32_t kAlt = 4;
  static constexpr std::int32_t kWindows = 8;

  std::int32_t kind = kDown;
  // The toolkit key code (0 for keys without one).
  std::int32_t key = 0;
  std::int32_t modifiers = 0;
  std::uint32_t virtual_key = 0;
  std::int32_t repeat_count = 1;
  // The key was already down.
  bool repeat = false;
  // The UTF-16 unit of a character message, 0 otherwise.
  std::uint32_t character = 0;
  // The focused view the key is aimed at.
  View* target = nullptr;
  View* current = nullptr;
  bool handled = false;
  // Skips the target's own key handling and the default handling.
  bool default_prevented = false;
};

}  // namespace win32_ui::modern
