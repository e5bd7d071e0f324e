#include "ui/platform/theme/theme_system.h"

namespace win32_ui {
namespace {

class WindowsThemeSystem final : public ThemeSystem {
 public:
  BOOL get_high_contrast(HIGHCONTRASTW* info) override {
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, info->cbSize, info, 0);
  }
  COLORREF get_sys_color(int index) override { return GetSysColor(index); }
  LSTATUS get_registry_value(HKEY key, const wchar_t* subkey, const wchar_t* value, DWORD flags,
                             DWORD* type, void* data, DWORD* size) override {
    return RegGetValueW(key, subkey, value, flags, type, data, size);
  }
};

}  // namespace

ThemeSystem& windows_theme_system() {
  static WindowsThemeSystem system;
  return system;
}

}  // namespace win32_ui
