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
                                                      truncated_monitor_rect(monitor_rect_));
      return TRUE;
    case WM_MOVING:
      if (!overlay_interactive_) break;
      *reinterpret_cast<RECT*>(lparam) =
          clamp_moving(*reinterpret_cast<RECT*>(lparam), truncated_monitor_rect(monitor_rect_));
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
    // A frame that cannot be recorded at its new size goes back where it was.
    if (!set_capture_area((bounds.left + bounds.right) * 0.5, (bounds.top + bounds.bottom) * 0.5,
                          static_cast<uint32_t>(bounds.right - bounds.left),
                          static_cast<uint32_t>(bounds.bottom - bounds.top), true, true,
                          nullptr)) {
      position_overlay(capture_area_);
    }
    refresh_main_window(true);
  }
  if (main_window_ && main_window_->is_visible() && main_window_->window() != nullptr) {
    SetForegroundWindow(main_window_->window());
  }
  return 0;
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
  update_record_availability();
  ShowWindow(overlay_window_, SW_HIDE);
  const RecordingSetupState setup = setup_;
  POINT cursor{};
  GetCursorPos(&cursor);
  target_monitor_ = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
  display_density_ = read_display_density(target_monitor_);
  monitor_rect_ = monitor_rect(target_monitor_);

  MONITORINFOEXW info{};
  info.cbSize = sizeof(info);
  const std::wstring device_name =
      GetMonitorInfoW(target_monitor_, &info) ? std::wstring(info.szDevice) : std::wstring();
  const SIZE monitor = monitor_pixel_size(monitor_rect_);
  set_monitor_info(device_name, monitor.cx, monitor.cy);

  int32_t width = setup.width;
  int32_t height = setup.height;
  const bool fits = width > 0 && height > 0 &&
                    fits_capture_area(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  const auto preset_count = static_cast<int32_t>(setup.presets.size());
  bool maximum = preset_count >= 2 && setup.preset_index == preset_count - 2;
  if (maximum || !fits) {
    width = monitor.cx & ~1;
    height = monitor.cy & ~1;
    maximum = true;
  }
  size_preset_entries(static_cast<uint32_t>(monitor.cx), static_cast<uint32_t>(monitor.cy), width,
                      height, maximum, setup.custom_size && !setup.presets.empty() && fits);
  const double centre_x = maximum ? (monitor_rect_.left + monitor_rect_.right) * 0.5 : cursor.x;
  const double centre_y = maximum ? (monitor_rect_.top + monitor_rect_.bottom) * 0.5 : cursor.y;
  set_capture_area(centre_x, centre_y, static_cast<uint32_t>(width),
                   static_cast<uint32_t>(height), false, false, nullptr);
  capture_->stop();
  start_desktop_capture();
}

}  // namespace quorvel::windows
