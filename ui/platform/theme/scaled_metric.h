// Theme metrics and other DIP values in pixels at a DPI: (value x dpi + 48)
// / 96 in integer arithmetic, the rounding every native-control painter
// uses. A window's DPI is GetDpiForWindow, 96 when the system cannot say.
#pragma once

#include <windows.h>

namespace win32_ui {

constexpr int scale_metric(int value, UINT dpi) {
  return static_cast<int>((static_cast<long long>(value) * dpi + 48) / 96);
}

inline UINT window_dpi(HWND window) {
  const UINT dpi = window ? GetDpiForWindow(window) : 0;
  return dpi ? dpi : 96;
}

}  // namespace win32_ui
