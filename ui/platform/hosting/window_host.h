// modern::WindowHost binds one native window to one view Surface, one
// custom frame (WindowChrome) and one Theme. It owns the sizing policy of
// the window: preferred and minimum client sizes in DIP, their conversion
// into outer window rectangles for the window's DPI and zoom, fitting and
// centring in the monitor's work area, the reaction to DPI changes and, after
// attach_themed, re-theming when the system's theme changes.
//
// Every toolkit window and popup owns one; it outlives the windows bound to
// it, and a window's destruction unbinds it by itself ("WMHT" subclass on
// WM_NCDESTROY). Subclass order on a chromed window: the surface ("WIMS"),
// the host ("WMHT"), then the chrome ("WCHR"), which sees messages first.
//
// UI thread only. Operations on a host without a live window do nothing and
// answer false, zero or the defaults; nothing throws out of the subclass.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "ui/platform/hosting/platform_window_host.h"
#include "ui/platform/theme/dwm_attributes.h"
#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/theme_system.h"
#include "ui/views/surface.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

class WindowChrome;

// The client size of a host in DIP.
struct ClientSize {
  float width = 0.0f;
  float height = 0.0f;

  friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

class WindowHost : public platform::WindowHost {
 public:
  using ThemeChangedCallback = void (*)(void* user_data, const Theme* theme);

  // The margin kept between a fitted window and the work area's edges, DIP.
  static constexpr float kDefaultWorkAreaMargin = 24.0f;

  // `system` is read for the theme the host follows and by its surface;
  // `dwm` takes the frame colours. Both must outlive the host.
  explicit WindowHost(ThemeSystem& system = windows_theme_system(),
                      DwmAttributes& dwm = windows_dwm_attributes());
  ~WindowHost() override;
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  bool attach(HWND window, const Theme& theme);
  bool attach_themed(HWND window, ThemeMode mode, COLORREF accent);
  void detach();
  bool is_attached() const;
  HWND hwnd() const;

  Surface& surface();
  const WindowChrome* chrome() const;
  // Wraps the view in the chrome's title row and makes it the content.
  void set_content(std::unique_ptr<View> view);

  ClientSize client_size() const;
  ClientSize preferred_size() const;
  void set_preferred_size(float width, float height);
  ClientSize minimum_size() const;
  void set_minimum_size(float width, float height);
  float work_area_margin() const;
  void set_work_area_margin(float margin);
  float zoom() const;
  void set_zoom(float zoom);
  // 0 none, 1 title row when the style allows, 2 frame required; other
  // values are stored as 0. Ignored while a live window is bound.
  void set_chrome_mode(int mode);
  int chrome_mode() const;
  void set_theme_changed_callback(ThemeChangedCallback callback, void* user_data);

  void apply_theme(const Theme& theme);
  // Only while following a mode; true when the resolved theme changed.
  bool set_theme_mode(ThemeMode mode);
  std::optional<ThemeMode> tracked_mode() const;

  // Sizes the window to its preferred size within the work area of the
  // monitor of `reference` (or of the window), centred when asked.
  bool place_on_monitor(HWND reference, bool centre);
  RECT window_rect_for_client(float width, float height, UINT dpi) const;

  platform::HostMetrics metrics() const override;
  void focus_view(View* view) override;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR reference);

 private:
  struct State;

  LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void follow_system_theme();
  void apply_frame_theme(const Theme& theme);
  void limit_tracking_size(HWND window, MINMAXINFO* info) const;
  bool live() const;

  std::unique_ptr<State> state_;
};

}  // namespace win32_ui::modern
