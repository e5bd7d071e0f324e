// What Control::create needs to make one native child control. Positions
// and sizes are pixels; the layout host gives the control its real place
// later. A plain value on the UI thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win32_ui {

struct ControlCreateParams {
  HWND parent = nullptr;
  std::wstring class_name;
  std::wstring_view text;
  // Becomes the child's HMENU, the id of its WM_COMMAND notifications.
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  // Null means the program's own module.
  HINSTANCE instance = nullptr;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

}  // namespace win32_ui
