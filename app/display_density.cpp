#include "app/display_density.h"

#include <shellscalingapi.h>

#include <algorithm>
#include <cmath>

namespace quorvel::windows {

namespace {
constexpr double kMillimetresPerInch = 25.4;
}

DisplayDensity display_density_from_raw_dpi(uint32_t dpi_x, uint32_t dpi_y) {
  const auto believable = [](uint32_t dpi) { return dpi >= 45 && dpi <= 1000; };
  if (!believable(dpi_x) || !believable(dpi_y)) return {};
  const double ratio = static_cast<double>(dpi_x) / dpi_y;
  if (ratio < 0.8 || ratio > 1.25) return {};
  return {dpi_x / kMillimetresPerInch, dpi_y / kMillimetresPerInch, true};
}

DisplayDensity read_display_density(HMONITOR monitor) {
  if (monitor == nullptr) return {};
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (FAILED(GetDpiForMonitor(monitor, MDT_RAW_DPI, &dpi_x, &dpi_y))) return {};
  return display_density_from_raw_dpi(dpi_x, dpi_y);
}

std::pair<int32_t, int32_t> millimetres_to_pixels(const DisplayDensity& density, uint32_t dpi,
                                                  double millimetres) {
  const double length = std::clamp(millimetres, 0.5, 5.0);
  double horizontal = 0;
  double vertical = 0;
  if (density.measured) {
    horizontal = density.horizontal;
    vertical = density.vertical;
  } else {
    horizontal = vertical = (dpi == 0 ? 96 : dpi) / kMillimetresPerInch;
  }
  const auto pixels = [length](double per_millimetre) {
    return static_cast<int32_t>(std::clamp(std::lround(per_millimetre * length), 5L, 48L));
  };
  return {pixels(horizontal), pixels(vertical)};
}

}  // namespace quorvel::windows
