// A monitor's physical pixel density, and lengths in millimetres turned into
// pixels with it, for the magnifier's cells and the diagnostics log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace quorvel::windows {

struct DisplayDensity {
  double horizontal = 0;  // pixels per millimetre
  double vertical = 0;
  // False when the monitor reported no believable size: the two densities
  // then mean nothing.
  bool measured = false;
};

// From the monitor's raw DPI; measured only for values of 45 to 1000 on both
// axes whose ratio lies in [0.8, 1.25].
DisplayDensity display_density_from_raw_dpi(uint32_t dpi_x, uint32_t dpi_y);
// The raw DPI of the monitor (GetDpiForMonitor); unmeasured for no monitor
// or when the call fails.
DisplayDensity read_display_density(HMONITOR monitor);

// The length clamped to [0.5, 5] mm in pixels per axis, each clamped to
// [5, 48]; an unmeasured density uses `dpi` (96 when 0) on both axes.
std::pair<int32_t, int32_t> millimetres_to_pixels(const DisplayDensity& density, uint32_t dpi,
                                                  double millimetres);

}  // namespace quorvel::windows
