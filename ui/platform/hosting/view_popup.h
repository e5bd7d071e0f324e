// ViewPopup shows one view tree in a borderless, shadowed, rounded popup
// window (class "Win32UiViewPopup") beside an anchor rectangle: menus,
// drop-down lists, flyouts. It closes itself when it loses activation, on
// Escape and on a DPI change; a close by Escape or close() gives the
// foreground back to the owner when the popup had it, a close by
// deactivation leaves the foreground where the user put it.
//
// Each popup surface gets the localization given to set_localization before
// its content, so keyed texts show in the owner's language.
//
// Owned by whoever shows menus (a window, the tray menu). Closed or open
// (one window); showing while open replaces the window. UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "ui/platform/hosting/window_host.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

inline constexpr wchar_t kViewPopupClass[] = L"Win32UiViewPopup";
// ViewPopup::show's kind for a popup above every other window.
inline constexpr int kPopupTopmost = 1;

class ViewPopup {
 public:
  // `system` and `dwm` serve the popup's host; both must outlive the popup.
  explicit ViewPopup(ThemeSystem& system = windows_theme_system(),
                     DwmAttributes& dwm = windows_dwm_attributes());
  // Destroys an open popup without handing the focus back.
  ~ViewPopup();
  ViewPopup(const ViewPopup&) = delete;
  ViewPopup& operator=(const ViewPopup&) = delete;

  // Closes any open popup, then opens one for `content` beside `anchor`
  // (screen pixels) with the preferred size in DIP. The content is consumed
  // in every case and destroyed when showing fails (no live owner, no
  // content, no window class, monitor or window, or binding failed).
  bool show(HWND owner, const RECT& anchor, std::unique_ptr<View> content, float width,
            float height, const Theme& theme, float zoom, bool align_right, int kind);
  void close();
  void close_with_focus(bool restore);
  // Posts the close, for callers inside the popup's own handlers.
  void post_close();
  void apply_theme(const Theme& theme);
  bool is_visible() const;
  // Given to the surface of every popup opened from now on.
  void set_localization(LocalizationContext localization);

  HWND hwnd() const { return popup_; }
  HWND owner() const { return owner_; }
  WindowHost& host() { return host_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void destroy_open_popup();
  void forget_popup();

  WindowHost host_;
  HWND popup_ = nullptr;
  HWND owner_ = nullptr;
  std::optional<LocalizationContext> localization_;
};

}  // namespace win32_ui::modern
