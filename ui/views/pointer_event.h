// PointerEvent is one pointer action (mouse, touch, pen, or a context menu
// opened from the keyboard) routed through the view tree. Positions are DIP
// in content coordinates. A plain value on the UI thread; the view pointers
// are not owned.
#pragma once

#include <cstdint>

#include "ui/views/point.h"

namespace win32_ui::modern {

class View;

using PointerAction = std::int32_t;
inline constexpr PointerAction kPointerDown = 0;
inline constexpr PointerAction kPointerMove = 1;
inline constexpr PointerAction kPointerUp = 2;
inline constexpr PointerAction kPointerCancel = 3;
inline constexpr PointerAction kPointerWheel = 4;
inline constexpr PointerAction kPointerEnter = 5;
inline constexpr PointerAction kPointerLeave = 6;
inline constexpr PointerAction kPointerContextMenu = 7;

using PointerDevice = std::int32_t;
inline constexpr PointerDevice kDeviceMouse = 0;
inline constexpr PointerDevice kDeviceTouch = 1;
inline constexpr PointerDevice kDevicePen = 2;
inline constexpr PointerDevice kDeviceKeyboard = 3;

// Bit set of the buttons held.
using PointerButtons = std::int32_t;
inline constexpr PointerButtons kButtonFirst = 1;
inline constexpr PointerButtons kButtonSecond = 2;
inline constexpr PointerButtons kButtonThird = 4;
inline constexpr PointerButtons kButtonFourth = 8;
inline constexpr PointerButtons kButtonFifth = 16;

struct PointerEvent {
  PointerAction action = kPointerDown;
  PointerDevice device = kDeviceMouse;
  std::uint32_t pointer_id = 1;
  ui::graphics::Point position;
  // In the current view's coordinates (origin at its top-left corner).
  ui::graphics::Point local_position;
  // Notches; positive y means the wheel turned away from the user.
  float wheel_y = 0.0f;
  float wheel_x = 0.0f;
  PointerButtons buttons = 0;
  // The view that handled the event (for a keyboard context menu, the view
  // the menu is for).
  View* handler = nullptr;
  View* current = nullptr;
  bool handled = false;
};

}  // namespace win32_ui::modern
