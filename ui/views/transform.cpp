#include "ui/views/transform.h"

#include <cfloat>
#include <cmath>

namespace win32_ui::ui::graphics {

Transform Transform::multiply(const Transform& a, const Transform& b) {
  Transform r;
  r.m11 = a.m11 * b.m11 + a.m12 * b.m21;
  r.m12 = a.m11 * b.m12 + a.m12 * b.m22;
  r.m21 = a.m21 * b.m11 + a.m22 * b.m21;
  r.m22 = a.m21 * b.m12 + a.m22 * b.m22;
  r.dx = a.dx * b.m11 + a.dy * b.m21 + b.dx;
  r.dy = a.dx * b.m12 + a.dy * b.m22 + b.dy;
  return r;
}

std::optional<Transform> Transform::inverted() const {
  const float det = m11 * m22 - m21 * m12;
  // A determinant within one single-precision epsilon of zero would give an
  // inverse of meaningless magnitude; treat it as singular.
  if (!std::isfinite(det) || std::fabs(det) <= FLT_EPSILON) return std::nullopt;
  const float k = 1.0f / det;
  Transform r;
  r.m11 = m22 * k;
  r.m12 = -m12 * k;
  r.m21 = -m21 * k;
  r.m22 = m11 * k;
  r.dx = (dy * m21 - dx * m22) * k;
  r.dy = (dx * m12 - dy * m11) * k;
  return r;
}

Point Transform::map_point(Point p) const {
  return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy};
}

}  // namespace win32_ui::ui::graphics
