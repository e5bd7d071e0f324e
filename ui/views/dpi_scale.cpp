#include "ui/views/dpi_scale.h"

#include <cmath>

namespace win32_ui::ui::graphics {

float clamp_zoom(float zoom) {
  if (!std::isfinite(zoom)) return 1.0f;
  if (zoom < 0.5f) return 0.5f;
  if (zoom > 2.0f) return 2.0f;
  return zoom;
}

DpiScale::DpiScale(float dpi, float zoom, std::optional<float> extra)
    : dpi_(std::isfinite(dpi) && dpi > 0.0f ? dpi : kDefaultDpi), zoom_(clamp_zoom(zoom)) {
  if (extra && std::isfinite(*extra) && *extra > 0.0f) extra_ = *extra;
}

float DpiScale::zoomed(float x) const { return x * zoom_; }

// The conversions are evaluated left to right in single precision so that
// every caller rounds the same way (15 px at 144 dpi stays exactly 15).
float DpiScale::to_px(float dip) const { return dip * zoom_ * dpi_ / 96.0f; }

float DpiScale::to_dip(float px) const { return px * 96.0f / dpi_ / zoom_; }

float DpiScale::points_to_px(float points) const { return points * zoom_ * dpi_ / 72.0f; }

}  // namespace win32_ui::ui::graphics
