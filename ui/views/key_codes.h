// The toolkit's key codes carried in KeyEvent::key: one small number per key
// the views react to, so that views never look at Windows virtual keys.
#pragma once

#include <cstdint>

namespace win32_ui::modern {

inline constexpr std::int32_t kKeyNone = 0;
inline constexpr std::int32_t kKeyTab = 1;
inline constexpr std::int32_t kKeyEnter = 2;
inline constexpr std::int32_t kKeySpace = 3;
inline constexpr std::int32_t kKeyEscape = 4;
inline constexpr std::int32_t kKeyLeft = 5;
inline constexpr std::int32_t kKeyUp = 6;
inline constexpr std::int32_t kKeyRight = 7;
inline constexpr std::int32_t kKeyDown = 8;

}  // namespace win32_ui::modern
