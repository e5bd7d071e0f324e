// The App's overlay messages and the capture frame: the thin outline over
// the confirmed region, moved and resized by the user while idle, and the
// target monitor it lives on.
#include <algorithm>
#include <cmath>

#include "app/app.h"
#include "app/overlay/monitor_rect.h"
#include "app/overlay/selection_geometry.h"

namespace quorvel::windows {

LRESULT App::handle_overlay_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      paint_overlay();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
    case WM_KEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
      if (selecting_) return handle_selection_input(window, message, wparam, lparam);
      break;
    case WM_NCHITTEST: {
      RECT bounds{};
      GetWindowRect(window, &bounds);
      const POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      return overlay_hit_test(selecting_, overlay_interactive_, point, bounds, overlay_dpi());
    }
    case WM_SIZING:
      if (!overlay_interactive_) break;
      *reinterpret_cast<RECT*>(lparam) = clamp_sizing(*reinterpret_cast<RECT*>(lparam), wparam,
                                                      truncated_monitor_rect(target_.rect));
      return TRUE;
    case WM_MOVING:
      if (!overlay_interactive_) break;
      *reinterpret_cast<RECT*>(lparam) =
          clamp_moving(*reinterpret_cast<RECT*>(lparam), truncated_monitor_rect(target_.rect));
      return TRUE;
    case WM_EXITSIZEMOVE:
      return on_overlay_exit_size_move();
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT App::on_overlay_exit_size_move() {
  if (!overlay_positioning_ && !recording_) {
    RECT bounds{};
    GetWindowRect(overlay_window_, &bounds);
    // The encoder takes even sizes only: an odd frame is kept one pixel
    // smaller; one that cannot fit goes back where it was.
    const LONG width = bounds.right - bounds.left;
    const LONG height = bounds.bottom - bounds.top;
    const LONG even_width = width < 65 ? 64 : (width & ~1L);
    const LONG even_height = height < 65 ? 64 : (height & ~1L);
    const SIZE monitor{static_cast<LONG>(std::floor(target_.rect.right - target_.rect.left)),
                       static_cast<LONG>(std::floor(target_.rect.bottom - target_.rect.top))};
    if (even_width <= monitor.cx && even_height <= monitor.cy) {
      const double cx = std::clamp((bounds.left + bounds.right) * 0.5,
                                   target_.rect.left + (even_width >> 1),
                                   target_.rect.right - (even_width >> 1));
      const double cy = std::clamp((bounds.top + bounds.bottom) * 0.5,
                                   target_.rect.top + (even_height >> 1),
                                   target_.rect.bottom - (even_height >> 1));
      capture_area_ = CaptureBounds{cx - (even_width >> 1), cy - (even_height >> 1),
                                    cx + (even_width >> 1), cy + (even_height >> 1)};
    }
    position_overlay(capture_area_);
    refresh_main_window(true);
  }
  if (main_window_ && main_window_->is_visible() && main_window_->window() != nullptr) {
    SetForegroundWindow(main_window_->window());
  }
  return 0;
}

void App::position_overlay(const CaptureBounds& area) {
  overlay_positioning_ = true;
  const int left = static_cast<int>(std::lround(area.left));
  const int top = static_cast<int>(std::lround(area.top));
  const int width = std::max(1, static_cast<int>(std::lround(area.right - area.left)));
  const int height = std::max(1, static_cast<int>(std::lround(area.bottom - area.top)));
  SetWindowPos(overlay_window_, HWND_TOPMOST, left, top, width, height,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  overlay_positioning_ = false;
}

void App::show_overlay() {
  if (region_ready_) {
    position_overlay(capture_area_);
    set_overlay_interactive(true);
    ShowWindow(overlay_window_, SW_SHOWNOACTIVATE);
  } else {
    ShowWindow(overlay_window_, SW_HIDE);
  }
  if (reactivate_after_screenshot_) {
    reactivate_after_screenshot_ = false;
    activate_main_window_if_open();
  }
}

void App::restore_main_window() {
  if (!reactivate_main_window_) return;
  reactivate_main_window_ = false;
  activate_main_window_if_open();
}

void App::activate_main_window_if_open() {
  if (main_window_ && main_window_->is_open()) main_window_->activate();
}

void App::place_overlay() {
  if (recording_) return;
  region_ready_ = false;
  ShowWindow(overlay_window_, SW_HIDE);
  POINT cursor{};
  GetCursorPos(&cursor);
  target_.monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
  target_.rect = monitor_rect(target_.monitor);
  capture_->stop();
  start_desktop_capture();
}

}  // namespace quorvel::windows
