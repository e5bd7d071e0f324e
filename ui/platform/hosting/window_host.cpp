#include "ui/platform/hosting/window_host.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "ui/platform/hosting/callback_failure.h"
#include "ui/platform/hosting/native_host.h"
#include "ui/platform/hosting/window_chrome.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/platform/theme/window_frame.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/dpi_scale.h"

namespace win32_ui::modern {
namespace {

float sanitised(float value) { return std::isfinite(value) && value > 0.0f ? value : 0.0f; }

UINT dpi_of(HWND window) { return std::max<UINT>(GetDpiForWindow(window), 1); }

SurfaceServices host_services(ThemeSystem& system) {
  SurfaceServices services;
  services.theme_system = &system;
  services.draw_item = [](const DRAWITEMSTRUCT* item) {
    return item != nullptr && draw_themed_combo_item(*item);
  };
  return services;
}

}  // namespace

struct WindowHost::State {
  State(ThemeSystem& theme_system, DwmAttributes& dwm_attributes)
      : system(&theme_system),
        dwm(&dwm_attributes),
        surface(host_services(theme_system)),
        chrome(std::make_unique<WindowChrome>(dwm_attributes)) {}

  ThemeSystem* system;
  DwmAttributes* dwm;
  HWND hwnd = nullptr;
  Surface surface;
  std::unique_ptr<WindowChrome> chrome;
  std::optional<ThemeState> theme_state;
  bool follows_mode = false;
  ThemeChangedCallback on_theme_changed = nullptr;
  void* callback_user_data = nullptr;
  int chrome_mode = 0;
  ClientSize preferred;
  ClientSize minimum;
  float work_area_margin = kDefaultWorkAreaMargin;
};

WindowHost::WindowHost(ThemeSystem& system, DwmAttributes& dwm) {
  try {
    state_ = std::make_unique<State>(system, dwm);
  } catch (...) {
    // A host without state answers every operation with "nothing bound".
    state_.reset();
  }
}

WindowHost::~WindowHost() {
  detach();
  if (state_) state_->chrome.reset();
}

bool WindowHost::live() const { return state_ && state_->hwnd != nullptr && IsWindow(state_->hwnd); }

bool WindowHost::attach(HWND window, const Theme& theme) {
  if (!state_ || window == nullptr || !IsWindow(window)) return false;
  detach();
  State& s = *state_;
  s.hwnd = window;
  if (!s.surface.attach(window, theme)) {
    s.hwnd = nullptr;
    return false;
  }
  if (!install_window_subclass(window, &WindowHost::procedure, kWindowHostSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    s.surface.detach();
    s.hwnd = nullptr;
    return false;
  }
  if (s.chrome_mode != 0) {
    const bool installed =
        s.chrome->install(window, s.surface.zoom(), s.chrome_mode, !theme.is_high_contrast);
    if (!installed && s.chrome_mode == 2) {
      detach();
      return false;
    }
  }
  apply_dwm_frame_theme(window, theme, !s.chrome->is_active(), *s.dwm);
  s.chrome->refresh();
  return true;
}

bool WindowHost::attach_themed(HWND window, ThemeMode mode, COLORREF accent) {
  if (!state_) return false;
  const Theme theme = Theme::resolve(mode, accent, *state_->system);
  if (!attach(window, theme)) return false;
  State& s = *state_;
  s.follows_mode = false;
  s.theme_state.emplace(mode, accent, *s.system);
  s.follows_mode = true;
  if (!(s.theme_state->theme() == theme)) apply_theme(s.theme_state->theme());
  return true;
}

void WindowHost::detach() {
  if (!state_) return;
  State& s = *state_;
  s.surface.detach();
  s.chrome->detach();
  if (s.hwnd != nullptr && IsWindow(s.hwnd)) {
    remove_window_subclass(s.hwnd, &WindowHost::procedure, kWindowHostSubclass);
  }
  s.hwnd = nullptr;
  s.follows_mode = false;
}

bool WindowHost::is_attached() const { return live(); }

HWND WindowHost::hwnd() const { return state_ ? state_->hwnd : nullptr; }

Surface& WindowHost::surface() { return state_->surface; }

const WindowChrome* WindowHost::chrome() const { return state_ ? state_->chrome.get() : nullptr; }

void WindowHost::set_content(std::unique_ptr<View> view) {
  if (!state_) return;
  State& s = *state_;
  s.surface.set_content(s.chrome->wrap_content(std::move(view)));
  s.surface.set_scroll_view(s.chrome->title_bar());
}

ClientSize WindowHost::client_size() const {
  if (!live()) return {};
  RECT client{};
  if (!GetClientRect(state_->hwnd, &client)) return {};
  const ui::graphics::DpiScale scale(static_cast<float>(dpi_of(state_->hwnd)),
                                     state_->surface.zoom());
  return {scale.to_dip(static_cast<float>(client.right - client.left)),
          scale.to_dip(static_cast<float>(client.bottom - client.top))};
}

ClientSize WindowHost::preferred_size() const { return state_ ? state_->preferred : ClientSize{}; }

void WindowHost::set_preferred_size(float width, float height) {
  if (state_) state_->preferred = {sanitised(width), sanitised(height)};
}

ClientSize WindowHost::minimum_size() const { return state_ ? state_->minimum : ClientSize{}; }

void WindowHost::set_minimum_size(float width, float height) {
  if (state_) state_->minimum = {sanitised(width), sanitised(height)};
}

float WindowHost::work_area_margin() const { return state_ ? state_->work_area_margin : 0.0f; }

void WindowHost::set_work_area_margin(float margin) {
  if (state_) state_->work_area_margin = sanitised(margin);
}

float WindowHost::zoom() const { return state_ ? state_->surface.zoom() : 1.0f; }

void WindowHost::set_zoom(float zoom) {
  if (!state_) return;
  state_->surface.set_zoom(zoom);
  state_->chrome->set_zoom(zoom);
}

void WindowHost::set_chrome_mode(int mode) {
  if (!state_ || live()) return;
  state_->chrome_mode = mode == 1 || mode == 2 ? mode : 0;
}

int WindowHost::chrome_mode() const { return state_ ? state_->chrome_mode : 0; }

void WindowHost::set_theme_changed_callback(ThemeChangedCallback callback, void* user_data) {
  if (!state_) return;
  state_->on_theme_changed = callback;
  state_->callback_user_data = user_data;
}

void WindowHost::apply_theme(const Theme& theme) {
  if (!state_) return;
  state_->surface.set_theme(theme);
  apply_frame_theme(theme);
  state_->chrome->refresh();
}

// Steps shared by apply_theme and the system-change path: the custom frame
// gives way to the system caption while high contrast is on.
void WindowHost::apply_frame_theme(const Theme& theme) {
  State& s = *state_;
  if (s.chrome->mode() == 1) s.chrome->set_active(!theme.is_high_contrast);
  if (live()) apply_dwm_frame_theme(s.hwnd, theme, !s.chrome->is_active(), *s.dwm);
}

bool WindowHost::set_theme_mode(ThemeMode mode) {
  if (!state_ || !state_->follows_mode || !state_->theme_state) return false;
  const bool changed = state_->theme_state->set_mode(mode);
  if (changed) apply_theme(state_->theme_state->theme());
  return changed;
}

std::optional<ThemeMode> WindowHost::tracked_mode() const {
  if (!state_ || !state_->follows_mode || !state_->theme_state) return std::nullopt;
  return state_->theme_state->mode();
}

RECT WindowHost::window_rect_for_client(float width, float height, UINT dpi) const {
  const float zoom = state_ ? state_->surface.zoom() : 1.0f;
  const ui::graphics::DpiScale scale(static_cast<float>(std::max<UINT>(dpi, 1)), zoom);
  const bool title_row = state_ && state_->chrome->has_title_row();
  const float title = title_row ? 44.0f : 0.0f;
  RECT rect{0, 0, static_cast<LONG>(std::ceil(scale.to_px(width))),
            static_cast<LONG>(std::ceil(scale.to_px(height + title)))};
  if (live() && !state_->chrome->is_active()) {
    HWND window = state_->hwnd;
    AdjustWindowRectExForDpi(&rect, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                             GetMenu(window) != nullptr,
                             static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)),
                             std::max<UINT>(dpi, 1));
  }
  return rect;
}

bool WindowHost::place_on_monitor(HWND reference, bool centre) {
  if (!live()) return false;
  const State& s = *state_;
  if (!(s.preferred.width > 0.0f) || !(s.preferred.height > 0.0f)) return false;
  const UINT dpi = dpi_of(s.hwnd);
  const RECT wanted = window_rect_for_client(s.preferred.width, s.preferred.height, dpi);
  const LONG wanted_width = wanted.right - wanted.left;
  const LONG wanted_height = wanted.bottom - wanted.top;

  HWND monitor_window = reference != nullptr && IsWindow(reference) ? reference : s.hwnd;
  HMONITOR monitor = MonitorFromWindow(monitor_window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) return false;
  const RECT& work = info.rcWork;
  const LONG work_width = work.right - work.left;
  const LONG work_height = work.bottom - work.top;

  const ui::graphics::DpiScale scale(static_cast<float>(dpi), s.surface.zoom());
  const LONG margin = static_cast<LONG>(std::ceil(scale.to_px(s.work_area_margin)));
  const LONG width = std::min(std::max<LONG>(work_width - 2 * margin, 1), wanted_width);
  const LONG height = std::min(std::max<LONG>(work_height - 2 * margin, 1), wanted_height);

  LONG left = 0;
  LONG top = 0;
  if (centre) {
    left = work.left + (work_width - width) / 2;
    top = work.top + (work_height - height) / 2;
  } else {
    RECT current{};
    GetWindowRect(s.hwnd, &current);
    left = current.left;
    top = current.top;
  }
  return SetWindowPos(s.hwnd, nullptr, left, top, width, height,
                      SWP_NOACTIVATE | SWP_NOZORDER) != FALSE;
}

platform::HostMetrics WindowHost::metrics() const {
  platform::HostMetrics metrics;
  if (!live()) return metrics;
  const ClientSize size = client_size();
  metrics.client_width = size.width;
  metrics.client_height = size.height;
  metrics.dpi = dpi_of(state_->hwnd);
  metrics.scale =
      ui::graphics::DpiScale(static_cast<float>(metrics.dpi), state_->surface.zoom()).to_px(1.0f);
  metrics.theme = &state_->surface.theme();
  metrics.localization_revision = state_->surface.localization().revision();
  return metrics;
}

void WindowHost::focus_view(View* view) {
  if (!live()) return;
  if (auto* native = dynamic_cast<NativeHost*>(view); native != nullptr) {
    if (HWND handle = native->native_handle(); handle != nullptr) {
      SetFocus(handle);
      return;
    }
  }
  SetFocus(state_->hwnd);
}

// ---- The "WMHT" procedure ----

LRESULT CALLBACK WindowHost::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR reference) {
  auto* host = reinterpret_cast<WindowHost*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &WindowHost::procedure, kWindowHostSubclass);
    if (host != nullptr && host->state_ && host->state_->hwnd == window) {
      host->state_->hwnd = nullptr;
    }
    return default_subclass_proc(window, message, wparam, lparam);
  }
  if (host == nullptr || !host->state_) return default_subclass_proc(window, message, wparam, lparam);
  return host->handle_message(window, message, wparam, lparam);
}

LRESULT WindowHost::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED: {
      const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
      run_reporting_failure(L"WindowHost: following the system theme failed",
                            [this] { follow_system_theme(); });
      return result;
    }
    case WM_GETMINMAXINFO: {
      const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
      limit_tracking_size(window, reinterpret_cast<MINMAXINFO*>(lparam));
      return result;
    }
    case WM_DPICHANGED:
      if (const auto* suggested = reinterpret_cast<const RECT*>(lparam); suggested != nullptr) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOACTIVATE | SWP_NOZORDER);
      }
      return default_subclass_proc(window, message, wparam, lparam);
    default:
      return default_subclass_proc(window, message, wparam, lparam);
  }
}

void WindowHost::follow_system_theme() {
  State& s = *state_;
  if (!s.follows_mode || !s.theme_state || !s.theme_state->refresh()) return;
  const Theme theme = s.theme_state->theme();
  s.surface.set_theme(theme);
  apply_frame_theme(theme);
  s.chrome->refresh();
  if (s.on_theme_changed == nullptr) return;
  try {
    s.on_theme_changed(s.callback_user_data, &theme);
  } catch (...) {
    // The window already wears the new theme; the owner's follow-up failing
    // must not take the message down with it.
    report_callback_failure(L"WindowHost: theme-changed callback failed");
  }
}

void WindowHost::limit_tracking_size(HWND window, MINMAXINFO* info) const {
  if (info == nullptr || !live()) return;
  const ClientSize& minimum = state_->minimum;
  if (!(minimum.width > 0.0f) && !(minimum.height > 0.0f)) return;
  const RECT rect = window_rect_for_client(minimum.width, minimum.height, dpi_of(window));
  if (minimum.width > 0.0f) {
    info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, rect.right - rect.left);
  }
  if (minimum.height > 0.0f) {
    info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, rect.bottom - rect.top);
  }
}

}  // namespace win32_ui::modern
