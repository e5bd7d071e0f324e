#include "ui/platform/hosting/native_control_theme.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace win32_ui::modern {

std::int32_t zoomed_dip(std::int32_t dip, float zoom) {
  const double value = std::round(static_cast<double>(dip) * static_cast<double>(zoom));
  if (!std::isfinite(value) || value <= 0.0) return 0;
  return static_cast<std::int32_t>(
      std::min(value, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

Theme native_control_theme(const Theme& theme, float zoom) {
  Theme native = theme;
  native.colors[static_cast<std::size_t>(ThemeColor::window_background)] =
      theme.color(ThemeColor::control_background);
  for (std::size_t i = 0; i < native.metrics.size(); ++i) {
    native.metrics[i] = zoomed_dip(theme.metrics[i], zoom);
  }
  // A one-DIP value that must not vanish when zoomed out.
  auto& one_dip = native.metrics[static_cast<std::size_t>(ThemeMetric::metric_2)];
  one_dip = std::max(one_dip, 1);
  return native;
}

}  // namespace win32_ui::modern
