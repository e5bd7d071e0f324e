// What the program tells its tray menu about the notification-area icon:
// the owner window that receives the icon's messages, the icon's id and
// messages, the icon and tooltip, and the look of the menu it opens.
// A plain value, kept by the TrayMenu it is given to. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/views/menus/menu_entry.h"

namespace win32_ui::scaffold {

struct TrayIconOptions {
  HWND owner = nullptr;
  std::uint32_t id = 1;
  // Sent by the shell for icon events.
  std::uint32_t callback_message = 0;
  // Posted to the owner to open the menu; must differ from callback_message.
  std::uint32_t menu_message = 0;
  // Not owned.
  HICON icon = nullptr;
  // At most 127 characters reach the shell.
  std::wstring tooltip;
  modern::MenuLayout menu_layout{248.0f, 40.0f, 12.0f, 6.0f};
  // Zoom of the menu popup.
  float scale = 1.0f;
};

}  // namespace win32_ui::scaffold
