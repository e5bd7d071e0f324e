#include "app/overlay/window_at_point.h"

#include <dwmapi.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "app/overlay/monitor_rect.h"
#include "app/overlay/selection_geometry.h"

namespace quorvel::windows {
namespace {

// The desktop and the taskbars: hovering them means the entire screen.
constexpr std::array<std::wstring_view, 4> kShellClasses{
    L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"};

bool is_shown(HWND window, const WindowFrameQueries& queries) {
  return IsWindowVisible(window) && !IsIconic(window) &&
         !(queries.is_cloaked && queries.is_cloaked(window));
}

bool window_bounds(HWND window, const WindowFrameQueries& queries, RECT& bounds) {
  if (queries.extended_frame_bounds && queries.extended_frame_bounds(window, bounds)) return true;
  return GetWindowRect(window, &bounds) != FALSE;
}

bool is_shell_window(HWND window) {
  wchar_t name[65] = {};
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  if (length <= 0) return false;
  const std::wstring_view class_name(name, static_cast<size_t>(length));
  return std::find(kShellClasses.begin(), kShellClasses.end(), class_name) != kShellClasses.end();
}

bool lies_within(const RECT& bounds, const CaptureBounds& monitor) {
  return bounds.left >= monitor.left && bounds.top >= monitor.top &&
         bounds.right <= monitor.right && bounds.bottom <= monitor.bottom;
}

bool at_least_minimum(const RECT& r) {
  return r.right - r.left >= kMinimumRegionSide && r.bottom - r.top >= kMinimumRegionSide;
}

}  // namespace

WindowFrameQueries dwm_window_frame_queries() {
  return {
      [](HWND window) {
        DWORD cloaked = 0;
        return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked))) &&
               cloaked != 0;
      },
      [](HWND window, RECT& bounds) {
        return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &bounds,
                                               sizeof(bounds)));
      },
  };
}

BOOL CALLBACK window_at_point_callback(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  if (std::find(search.skipped.begin(), search.skipped.end(), window) != search.skipped.end()) {
    return TRUE;
  }
  if (!is_shown(window, *search.queries)) return TRUE;
  RECT bounds{};
  if (!window_bounds(window, *search.queries, bounds)) return TRUE;
  if (!PtInRect(&bounds, search.screen_point)) return TRUE;
  search.found = window;
  return FALSE;
}

bool window_at_point(POINT client_point, const CaptureBounds& monitor,
                     std::span<const HWND> skipped, RECT& result,
                     const WindowFrameQueries& queries) {
  const POINT origin = monitor_origin(monitor);
  WindowSearch search{{client_point.x + origin.x, client_point.y + origin.y}, skipped, &queries};
  EnumWindows(window_at_point_callback, reinterpret_cast<LPARAM>(&search));
  if (!search.found || !is_shown(search.found, queries)) return false;
  RECT bounds{};
  if (!window_bounds(search.found, queries, bounds) || IsRectEmpty(&bounds)) return false;
  // The window beneath a desktop or taskbar is not tried: the pointer is on
  // the shell, which means the entire screen.
  if (is_shell_window(search.found)) return false;
  if (!lies_within(bounds, monitor) || !at_least_minimum(bounds)) return false;
  OffsetRect(&bounds, -origin.x, -origin.y);
  const RECT fitted = fit_region(bounds, monitor_pixel_size(monitor));
  if (!at_least_minimum(fitted)) return false;
  result = fitted;
  return true;
}

}  // namespace quorvel::windows
