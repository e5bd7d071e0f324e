#include "app/overlay/monitor_rect.h"

#include <cmath>

namespace quorvel::windows {

CaptureBounds monitor_rect(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!monitor || !GetMonitorInfoW(monitor, &info)) return {};
  return {static_cast<double>(info.rcMonitor.left), static_cast<double>(info.rcMonitor.top),
          static_cast<double>(info.rcMonitor.right), static_cast<double>(info.rcMonitor.bottom)};
}

SIZE monitor_pixel_size(const CaptureBounds& monitor) {
  return {static_cast<LONG>(std::lround(monitor.right - monitor.left)),
          static_cast<LONG>(std::lround(monitor.bottom - monitor.top))};
}

POINT monitor_origin(const CaptureBounds& monitor) {
  return {static_cast<LONG>(monitor.left), static_cast<LONG>(monitor.top)};
}

RECT truncated_monitor_rect(const CaptureBounds& monitor) {
  return {static_cast<LONG>(monitor.left), static_cast<LONG>(monitor.top),
          static_cast<LONG>(monitor.right), static_cast<LONG>(monitor.bottom)};
}

}  // namespace quorvel::windows
