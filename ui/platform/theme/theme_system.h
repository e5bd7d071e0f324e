// The three system reads behind theme resolution: the high-contrast setting,
// the system colours and the registry value that says whether apps use the
// light theme.
//
// The product passes windows_theme_system(), which calls the real API. Tests
// pass their own implementation to present high contrast (which cannot be
// switched on everywhere) and each shape of the registry value. Stateless;
// the UI thread calls it.
#pragma once

#include <windows.h>

namespace win32_ui {

class ThemeSystem {
 public:
  virtual ~ThemeSystem() = default;

  // SystemParametersInfoW(SPI_GETHIGHCONTRAST, info->cbSize, info, 0).
  virtual BOOL get_high_contrast(HIGHCONTRASTW* info) = 0;
  // GetSysColor(index).
  virtual COLORREF get_sys_color(int index) = 0;
  // RegGetValueW with the same arguments.
  virtual LSTATUS get_registry_value(HKEY key, const wchar_t* subkey, const wchar_t* value,
                                     DWORD flags, DWORD* type, void* data, DWORD* size) = 0;
};

// The process-wide reader of the real system. It holds no state.
ThemeSystem& windows_theme_system();

}  // namespace win32_ui
