#include "ui/views/dirty_region.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::ui::graphics {

void DirtyRegion::add(float x, float y, float width, float height) {
  if (all_) return;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height)) return;
  if (width <= 0.0f || height <= 0.0f) return;
  if (!has_rect_) {
    x_ = x;
    y_ = y;
    width_ = width;
    height_ = height;
    has_rect_ = true;
    return;
  }
  const float right = std::max(x_ + width_, x + width);
  const float bottom = std::max(y_ + height_, y + height);
  x_ = std::min(x_, x);
  y_ = std::min(y_, y);
  width_ = right - x_;
  height_ = bottom - y_;
}

void DirtyRegion::invalidate_all() {
  has_rect_ = false;
  all_ = true;
}

std::optional<DirtyRegion::Area> DirtyRegion::bounds() const {
  if (all_ || !has_rect_) return std::nullopt;
  return Area{x_, y_, width_, height_};
}

void DirtyRegion::clear() {
  has_rect_ = false;
  all_ = false;
}

}  // namespace win32_ui::ui::graphics
