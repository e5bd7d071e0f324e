// The capture area on the target monitor: its size rule, its placement, the
// overlay frame that shows it and the viewport the capture side reads.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "app/app.h"
#include "app/common/translate.h"
#include "ui/platform/scaffold/message_dialog.h"

namespace quorvel::windows {

namespace {

constexpr uint32_t kMinCaptureSide = 64;

// Below 65 the side becomes 64; above, it is made even.
uint32_t capture_side(uint32_t side) { return side < 65 ? kMinCaptureSide : (side & ~1u); }

std::wstring whole_pixels(double value) {
  wchar_t text[32] = {};
  std::swprintf(text, 32, L"%.0f", value);
  return text;
}

}  // namespace

bool App::fits_capture_area(uint32_t width, uint32_t height) const {
  if (width < kMinCaptureSide || height < kMinCaptureSide) return false;
  const double monitor_width = std::floor(monitor_rect_.right - monitor_rect_.left);
  const double monitor_height = std::floor(monitor_rect_.bottom - monitor_rect_.top);
  return width <= monitor_width && height <= monitor_height;
}

bool App::set_capture_area(double centre_x, double centre_y, uint32_t width, uint32_t height,
                           bool custom_size, bool report, HWND owner) {
  const uint32_t w = capture_side(width);
  const uint32_t h = capture_side(height);
  const double monitor_width = monitor_rect_.right - monitor_rect_.left;
  const double monitor_height = monitor_rect_.bottom - monitor_rect_.top;
  if (!fits_capture_area(w, h)) {
    if (report) {
      std::vector<std::wstring> arguments{whole_pixels(monitor_width),
                                          whole_pixels(monitor_height)};
      const HWND box_owner = owner != nullptr ? owner : host_window_;
      if (platform_.message) {
        platform_.message(box_owner, L"message.size_outside_screen", arguments, MB_ICONWARNING);
      } else {
        win32_ui::scaffold::message_box(
            application_, box_owner,
            localized_text(L"message.size_outside_screen", std::move(arguments)), L"Quorvel",
            MB_ICONWARNING);
      }
    }
    return false;
  }
  set_size_values(static_cast<int32_t>(w), static_cast<int32_t>(h), custom_size);

  const double half_w = static_cast<double>(w >> 1);
  const double half_h = static_cast<double>(h >> 1);
  const double x = std::clamp(centre_x, monitor_rect_.left + half_w, monitor_rect_.right - half_w);
  const double y = std::clamp(centre_y, monitor_rect_.top + half_h, monitor_rect_.bottom - half_h);
  capture_area_ = {x - half_w, y - half_h, x + half_w, y + half_h};
  if (region_ready_ && !selecting_) position_overlay(capture_area_);

  CaptureViewport viewport;
  viewport.left = capture_area_.left;
  viewport.top = capture_area_.top;
  viewport.right = capture_area_.right;
  viewport.bottom = capture_area_.bottom;
  viewport.center_x = x;
  viewport.center_y = y;
  const double area_ratio = static_cast<double>(w) / h;
  const double fit_width =
      monitor_width / monitor_height >= area_ratio ? monitor_height * area_ratio : monitor_width;
  viewport.zoom = fit_width / w;
  publish_viewport(viewport);
  return true;
}

void App::position_overlay(const CaptureBounds& area) {
  if (overlay_window_ == nullptr) return;
  overlay_positioning_ = true;
  const long width = std::max(1L, std::lround(area.right - area.left));
  const long height = std::max(1L, std::lround(area.bottom - area.top));
  SetWindowPos(overlay_window_, HWND_TOPMOST, static_cast<int>(std::lround(area.left)),
               static_cast<int>(std::lround(area.top)), static_cast<int>(width),
               static_cast<int>(height), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  overlay_positioning_ = false;
}

void App::publish_viewport(const CaptureViewport& viewport) {
  std::lock_guard lock(viewport_mutex_);
  viewport_ = viewport;
  viewport_published_ = true;
}

}  // namespace quorvel::windows
