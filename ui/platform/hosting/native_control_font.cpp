#include "ui/platform/hosting/native_control_font.h"

#include <cmath>

namespace win32_ui::modern {

int NativeControlFont::height_for(UINT dpi) {
  return -static_cast<int>(std::lround(10.0 * static_cast<double>(dpi) / 72.0));
}

void NativeControlFont::update(HWND window, UINT dpi) {
  if (dpi == dpi_) return;
  HFONT font = CreateFontW(height_for(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  if (font == nullptr) return;
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  font_.reset(font);
  dpi_ = dpi;
}

void NativeControlFont::reset(HWND window) {
  if (font_ && window != nullptr && IsWindow(window) &&
      reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) == handle()) {
    SendMessageW(window, WM_SETFONT, 0, FALSE);
  }
  font_.reset();
  dpi_ = 0;
}

}  // namespace win32_ui::modern
