#include "ui/platform/theme/window_frame.h"

#include <algorithm>

#include "ui/platform/theme/scaled_metric.h"

namespace win32_ui {
namespace {

bool set_dword(DwmAttributes& dwm, HWND window, DWORD attribute, DWORD value) {
  return SUCCEEDED(dwm.set_window_attribute(window, attribute, &value, sizeof(value)));
}

}  // namespace

bool apply_dwm_frame_theme(HWND window, const Theme& theme, bool refresh) {
  return apply_dwm_frame_theme(window, theme, refresh, windows_dwm_attributes());
}

bool apply_dwm_frame_theme(HWND window, const Theme& theme, bool refresh, DwmAttributes& dwm) {
  if (!window) return false;
  const BOOL dark = theme.is_dark ? TRUE : FALSE;
  bool any = set_dword(dwm, window, kDwmImmersiveDarkMode, static_cast<DWORD>(dark)) ||
             set_dword(dwm, window, kDwmImmersiveDarkModeOld, static_cast<DWORD>(dark));
  const struct {
    DWORD attribute;
    DWORD value;
  } colours[] = {
      {kDwmCaptionColor, theme.color(ThemeColor::window_background)},
      {kDwmTextColor, theme.color(ThemeColor::text)},
      {kDwmBorderColor, theme.color(ThemeColor::border)},
      {kDwmWindowCornerPreference, kDwmCornerRound},
  };
  for (const auto& entry : colours) {
    any = set_dword(dwm, window, entry.attribute, entry.value) || any;
  }
  if (!any) return false;
  if (refresh) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    // Only lets the composition catch up; nothing to do when it cannot.
    const HRESULT flushed = dwm.flush();
    (void)flushed;
  }
  return true;
}

bool set_round_window_region(HWND window, UINT dpi, int radius, bool redraw) {
  RECT client{};
  if (!window || !GetClientRect(window, &client)) return false;
  const int ellipse = std::max(scale_metric(2 * radius, dpi), 2);
  HRGN region = CreateRoundRectRgn(0, 0, client.right + 1, client.bottom + 1, ellipse, ellipse);
  if (!region) return false;
  // The window owns the region once it takes it.
  if (!SetWindowRgn(window, region, redraw ? TRUE : FALSE)) {
    DeleteObject(region);
    return false;
  }
  return true;
}

}  // namespace win32_ui
