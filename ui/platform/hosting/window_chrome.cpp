#include "ui/platform/hosting/window_chrome.h"

#include <dwmapi.h>

#include <cmath>
#include <utility>
#include <vector>

#include "ui/platform/hosting/callback_failure.h"
#include "ui/platform/hosting/chrome_bar_background.h"
#include "ui/platform/hosting/chrome_caption_button.h"
#include "ui/platform/hosting/chrome_title.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/grid_panel.h"

namespace win32_ui::modern {
namespace {

constexpr UINT kFrameChangedFlags =
    SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

void reframe(HWND window) { SetWindowPos(window, nullptr, 0, 0, 0, 0, kFrameChangedFlags); }

float sane_zoom(float zoom) { return std::isfinite(zoom) && zoom > 0.0f ? zoom : 1.0f; }

// GetWindowLongPtrW/SetWindowLongPtrW answer 0 both for a zero value and a
// failure; only the last error tells them apart.
bool read_style(HWND window, LONG_PTR& style) {
  SetLastError(0);
  style = GetWindowLongPtrW(window, GWL_STYLE);
  return style != 0 || GetLastError() == 0;
}

bool write_style(HWND window, LONG_PTR style) {
  SetLastError(0);
  const LONG_PTR previous = SetWindowLongPtrW(window, GWL_STYLE, style);
  return previous != 0 || GetLastError() == 0;
}

layout::LayoutParams with_visibility(layout::LayoutParams params, bool visible) {
  params.visibility = visible ? layout::kVisible : layout::kCollapsed;
  return params;
}

}  // namespace

WindowChrome::WindowChrome(DwmAttributes& dwm) : dwm_(&dwm) {}

WindowChrome::~WindowChrome() { detach(); }

bool WindowChrome::live() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

bool WindowChrome::install(HWND window, float zoom, int mode, bool activate) {
  detach();
  if (window == nullptr || !IsWindow(window) || mode == 0) return false;
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  if ((style & WS_CHILD) != 0) return false;
  if (mode == 1 && ((style & WS_SYSMENU) == 0 || (style & WS_CAPTION) != WS_CAPTION)) {
    return false;
  }
  hwnd_ = window;
  saved_caption_style_ = style & WS_CAPTION;
  COLORREF border = kDwmColorDefault;
  border_color_read_ =
      SUCCEEDED(dwm_->get_window_attribute(window, kDwmBorderColor, &border, sizeof(border)));
  saved_border_color_ = border_color_read_ ? border : kDwmColorDefault;
  mode_ = mode;
  zoom_ = sane_zoom(zoom);
  if (!install_window_subclass(window, &WindowChrome::procedure, kWindowChromeSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    forget_window();
    return false;
  }
  if (mode == 1 && !activate) return true;
  if (!set_active(true)) {
    detach();
    return false;
  }
  return true;
}

void WindowChrome::detach() {
  if (live()) {
    remove_window_subclass(hwnd_, &WindowChrome::procedure, kWindowChromeSubclass);
    if (active_) {
      LONG_PTR style = 0;
      if (read_style(hwnd_, style) && write_style(hwnd_, style | saved_caption_style_)) {
        reframe(hwnd_);
      }
    }
    if (mode_ == 2) {
      const COLORREF border = border_color_read_ ? saved_border_color_ : kDwmColorDefault;
      (void)dwm_->set_window_attribute(hwnd_, kDwmBorderColor, &border, sizeof(border));
    }
  }
  forget_window();
}

void WindowChrome::forget_window() {
  hwnd_ = nullptr;
  title_ = nullptr;
  maximize_button_ = nullptr;
  frame_grid_ = nullptr;
  title_bar_ = nullptr;
  mode_ = 0;
  active_ = false;
  tracking_leave_ = false;
  saved_border_color_ = kDwmColorDefault;
  border_color_read_ = false;
}

bool WindowChrome::set_active(bool on) {
  if (!live()) return false;
  if (mode_ == 2 && !on) return false;
  if (on != active_) {
    LONG_PTR style = 0;
    if (!read_style(hwnd_, style)) return false;
    style = on ? (style & ~static_cast<LONG_PTR>(WS_CAPTION)) : (style | saved_caption_style_);
    if (!write_style(hwnd_, style)) return false;
    active_ = on;
  }
  apply_rows();
  if (!on) clear_maximize_hover();
  reframe(hwnd_);
  return true;
}

void WindowChrome::apply_rows() {
  const bool row = mode_ == 1 && active_;
  if (frame_grid_ != nullptr) {
    frame_grid_->set_rows({layout::GridLength::fixed(row ? kChromeCaptionHeight : 0.0f),
                           layout::GridLength::star()});
  }
  if (title_bar_ != nullptr) {
    title_bar_->set_layout_params(with_visibility(title_bar_->layout_params(), row));
  }
}

void WindowChrome::clear_maximize_hover() {
  if (maximize_button_ != nullptr) maximize_button_->set_non_client_hover(false);
}

bool WindowChrome::is_active() const { return live() && active_; }

bool WindowChrome::has_title_row() const { return live() && mode_ == 1 && active_; }

int WindowChrome::mode() const { return live() ? mode_ : 0; }

void WindowChrome::set_zoom(float zoom) {
  if (!std::isfinite(zoom) || zoom <= 0.0f) return;
  zoom_ = zoom;
  if (is_active()) reframe(hwnd_);
}

void WindowChrome::refresh() {
  if (!live()) return;
  if (mode_ == 2 && active_) {
    const COLORREF none = kDwmColorNone;
    (void)dwm_->set_window_attribute(hwnd_, kDwmBorderColor, &none, sizeof(none));
  }
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE);
}

View* WindowChrome::title_bar() const { return title_bar_; }

std::unique_ptr<View> WindowChrome::wrap_content(std::unique_ptr<View> content) {
  if (!live() || mode_ == 2) return content;
  const bool row = mode_ == 1 && active_;
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  const bool has_minimize = (style & WS_MINIMIZEBOX) != 0;
  const bool has_maximize = (style & WS_MAXIMIZEBOX) != 0;

  auto frame = std::make_unique<GridPanel>(
      std::vector<layout::GridLength>{layout::GridLength::star()},
      std::vector<layout::GridLength>{layout::GridLength::fixed(row ? kChromeCaptionHeight : 0.0f),
                                      layout::GridLength::star()});
  std::vector<layout::GridLength> columns{layout::GridLength::star()};
  if (has_minimize) columns.push_back(layout::GridLength::fixed(kChromeButtonWidth));
  if (has_maximize) columns.push_back(layout::GridLength::fixed(kChromeButtonWidth));
  columns.push_back(layout::GridLength::fixed(kChromeButtonWidth));
  const std::uint64_t column_count = columns.size();
  auto bar = std::make_unique<GridPanel>(std::move(columns),
                                         std::vector<layout::GridLength>{layout::GridLength::star()});
  bar->set_clips_children(true);
  bar->set_layout_params(with_visibility(bar->layout_params(), row));

  bar->add_child(std::make_unique<ChromeBarBackground>(), {0, 0, column_count, 1});
  auto title = std::make_unique<ChromeTitle>(hwnd_);
  ChromeTitle* title_view = title.get();
  bar->add_child(std::move(title), {0, 0, 1, 1});
  std::uint64_t column = 1;
  if (has_minimize) {
    bar->add_child(std::make_unique<ChromeCaptionButton>(hwnd_, CaptionAction::minimize),
                   {column++, 0, 1, 1});
  }
  ChromeCaptionButton* maximize = nullptr;
  if (has_maximize) {
    auto button = std::make_unique<ChromeCaptionButton>(hwnd_, CaptionAction::maximize_or_restore);
    maximize = button.get();
    bar->add_child(std::move(button), {column++, 0, 1, 1});
  }
  bar->add_child(std::make_unique<ChromeCaptionButton>(hwnd_, CaptionAction::close),
                 {column, 0, 1, 1});

  GridPanel* bar_view = bar.get();
  if (content) frame->add_child(std::move(content), {0, 1, 1, 1});
  frame->add_child(std::move(bar), {0, 0, 1, 1});
  frame_grid_ = frame.get();
  title_bar_ = bar_view;
  title_ = title_view;
  maximize_button_ = maximize;
  return frame;
}

// ---- The "WCHR" procedure ----

LRESULT CALLBACK WindowChrome::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR, DWORD_PTR reference) {
  auto* chrome = reinterpret_cast<WindowChrome*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &WindowChrome::procedure, kWindowChromeSubclass);
    if (chrome != nullptr && chrome->hwnd_ == window) chrome->forget_window();
    return default_subclass_proc(window, message, wparam, lparam);
  }
  if (chrome == nullptr || !chrome->active_) {
    return default_subclass_proc(window, message, wparam, lparam);
  }
  try {
    return chrome->handle_message(window, message, wparam, lparam);
  } catch (...) {
    report_callback_failure(L"WindowChrome: message handling failed");
    return default_subclass_proc(window, message, wparam, lparam);
  }
}

LRESULT WindowChrome::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
      return 0;
    case WM_NCHITTEST:
      return hit_test(window, wparam, lparam);
    case WM_NCMOUSEMOVE:
      on_nc_mouse_move(window, wparam);
      break;
    case WM_NCMOUSELEAVE:
      tracking_leave_ = false;
      clear_maximize_hover();
      break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wparam == HTMAXBUTTON && maximize_button_ != nullptr) {
        PostMessageW(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, 0);
        return 0;
      }
      break;
    case WM_GETMINMAXINFO: {
      const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
      fit_maximized(window, reinterpret_cast<MINMAXINFO*>(lparam));
      return result;
    }
    case WM_SIZE:
      if (maximize_button_ != nullptr) maximize_button_->invalidate();
      break;
    case WM_ACTIVATE:
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
      break;
    case WM_NCACTIVATE:
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
      return default_subclass_proc(window, message, wparam, IsIconic(window) ? lparam : -1);
    case WM_SETTEXT: {
      const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
      if (title_ != nullptr) title_->invalidate();
      return result;
    }
    default:
      break;
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

LRESULT WindowChrome::hit_test(HWND window, WPARAM wparam, LPARAM lparam) {
  LRESULT dwm_result = 0;
  if (DwmDefWindowProc(window, WM_NCHITTEST, wparam, lparam, &dwm_result) &&
      dwm_result > HTCLIENT) {
    if (dwm_result != HTMAXBUTTON || maximize_button_ != nullptr) return dwm_result;
  }
  POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  MapWindowPoints(nullptr, window, &point, 1);
  const ChromeMetrics metrics = measure_chrome(window, mode_, zoom_);
  return chrome_hit_code(chrome_hit_test(metrics, point.x, point.y));
}

void WindowChrome::on_nc_mouse_move(HWND window, WPARAM wparam) {
  const bool hover = wparam == HTMAXBUTTON;
  if (maximize_button_ != nullptr) maximize_button_->set_non_client_hover(hover);
  if (hover && !tracking_leave_) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE | TME_NONCLIENT;
    track.hwndTrack = window;
    tracking_leave_ = TrackMouseEvent(&track) != FALSE;
  }
}

void WindowChrome::fit_maximized(HWND window, MINMAXINFO* info) const {
  if (info == nullptr) return;
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO monitor_info{};
  monitor_info.cbSize = sizeof(monitor_info);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &monitor_info)) return;
  const RECT& work = monitor_info.rcWork;
  const RECT& area = monitor_info.rcMonitor;
  info->ptMaxPosition = {work.left - area.left, work.top - area.top};
  info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
}

}  // namespace win32_ui::modern
