// A position in device pixels or DIP, as the caller's context says. Plain
// value, used on the UI thread by transforms and both canvases.
#pragma once

namespace win32_ui::ui::graphics {

struct Point {
  float x = 0.0f;
  float y = 0.0f;
};

}  // namespace win32_ui::ui::graphics
