// The Desktop Window Manager's window attributes and DwmFlush behind a small
// interface, so the frame colours and the window chrome can be tested where
// the DWM does not keep them (Wine accepts every attribute and changes
// nothing, and cannot read one back). The product passes
// windows_dwm_attributes(), which calls the real API; tests pass a fake.
// Stateless; the UI thread calls it.
#pragma once

#include <windows.h>

namespace win32_ui {

// The attribute ids used here (dwmapi.h of older SDKs lacks some).
inline constexpr DWORD kDwmImmersiveDarkModeOld = 19;
inline constexpr DWORD kDwmImmersiveDarkMode = 20;
inline constexpr DWORD kDwmWindowCornerPreference = 33;
inline constexpr DWORD kDwmBorderColor = 34;
inline constexpr DWORD kDwmCaptionColor = 35;
inline constexpr DWORD kDwmTextColor = 36;
// DWMWCP_ROUND.
inline constexpr DWORD kDwmCornerRound = 2;

class DwmAttributes {
 public:
  virtual ~DwmAttributes() = default;

  // DwmSetWindowAttribute with the same arguments.
  [[nodiscard]] virtual HRESULT set_window_attribute(HWND window, DWORD attribute,
                                                     const void* value, DWORD size) = 0;
  // DwmGetWindowAttribute with the same arguments.
  [[nodiscard]] virtual HRESULT get_window_attribute(HWND window, DWORD attribute, void* value,
                                                     DWORD size) = 0;
  // DwmFlush.
  [[nodiscard]] virtual HRESULT flush() = 0;
};

// The process-wide caller of the real API. It holds no state.
DwmAttributes& windows_dwm_attributes();

}  // namespace win32_ui
