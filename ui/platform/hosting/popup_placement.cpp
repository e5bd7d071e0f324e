#include "ui/platform/hosting/popup_placement.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::modern {
namespace {

float sane_scale(float scale) { return std::isfinite(scale) && scale > 0.0f ? scale : 1.0f; }

// The popup's extent along one axis: what it wants, but never more than the
// room there is.
std::int32_t fitted_extent(float dip, float scale, std::int32_t available) {
  const float wanted_px = std::ceil(std::max(dip, 1.0f) * scale);
  const auto wanted = static_cast<std::int32_t>(std::min(wanted_px, 2147483647.0f));
  return available < wanted ? available : std::max(wanted, 1);
}

}  // namespace

int popup_gap(float scale) {
  return std::max(static_cast<int>(std::lround(4.0f * sane_scale(scale))), 1);
}

int popup_corner_diameter(float scale) {
  return std::max(static_cast<int>(std::lround(2.0f * 10.0f * sane_scale(scale))), 2);
}

PopupPlacement place_popup(const RECT& anchor, const RECT& work, float width, float height,
                           float scale, bool align_right) {
  const float s = sane_scale(scale);
  const std::int32_t available_width = std::max<std::int32_t>(work.right - work.left, 1);
  const std::int32_t available_height = std::max<std::int32_t>(work.bottom - work.top, 1);
  const std::int32_t w = fitted_extent(width, s, available_width);
  const std::int32_t h = fitted_extent(height, s, available_height);
  const std::int32_t gap = popup_gap(s);

  PopupPlacement placement;
  std::int32_t x = align_right ? anchor.right - w : anchor.left;
  std::int32_t y = anchor.bottom + gap;
  if (y + h > work.bottom) {
    const std::int32_t above = anchor.top - gap - h;
    if (above >= work.top) {
      y = above;
      placement.opens_above = true;
    }
  }
  // The right and bottom edges win over the left and top.
  x = work.right - w < x ? work.right - w : std::max<std::int32_t>(x, work.left);
  y = work.bottom - h < y ? work.bottom - h : std::max<std::int32_t>(y, work.top);
  placement.left = x;
  placement.top = y;
  placement.right = x + w;
  placement.bottom = y + h;
  return placement;
}

}  // namespace win32_ui::modern
