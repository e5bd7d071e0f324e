// The target monitor's rectangle in virtual-screen pixels, and the integer
// forms of it that the overlay works in.
#pragma once

#include <windows.h>

#include "engine/capture_camera.h"

namespace quorvel::windows {

// rcMonitor of the monitor as (left, top, right, bottom); all zero when the
// monitor cannot be queried.
CaptureBounds monitor_rect(HMONITOR monitor);

// The monitor's width and height rounded to the nearest pixel: the overlay's
// client size while it covers the monitor.
SIZE monitor_pixel_size(const CaptureBounds& monitor);

// The monitor's top-left corner truncated to integers: added to overlay
// client coordinates it gives screen coordinates.
POINT monitor_origin(const CaptureBounds& monitor);

// The monitor's rectangle with every side truncated to an integer.
RECT truncated_monitor_rect(const CaptureBounds& monitor);

}  // namespace quorvel::windows
