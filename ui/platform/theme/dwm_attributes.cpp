#include "ui/platform/theme/dwm_attributes.h"

#include <dwmapi.h>

namespace win32_ui {
namespace {

class WindowsDwmAttributes final : public DwmAttributes {
 public:
  HRESULT set_window_attribute(HWND window, DWORD attribute, const void* value,
                               DWORD size) override {
    return DwmSetWindowAttribute(window, attribute, value, size);
  }
  HRESULT get_window_attribute(HWND window, DWORD attribute, void* value, DWORD size) override {
    return DwmGetWindowAttribute(window, attribute, value, size);
  }
  HRESULT flush() override { return DwmFlush(); }
};

}  // namespace

DwmAttributes& windows_dwm_attributes() {
  static WindowsDwmAttributes attributes;
  return attributes;
}

}  // namespace win32_ui
