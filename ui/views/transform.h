// Transform is the 2D affine matrix shared by views, the draw context and
// both canvases. Points are row vectors: (x, y) maps to
// (x m11 + y m21 + dx, x m12 + y m22 + dy), the layout of Direct2D's matrix
// and of GDI's world transform, so the six values pass to either unchanged.
// A plain value, used on the UI thread.
#pragma once

#include <optional>

#include "ui/views/point.h"

namespace win32_ui::ui::graphics {

struct Transform {
  float m11 = 1.0f;
  float m12 = 0.0f;
  float m21 = 0.0f;
  float m22 = 1.0f;
  float dx = 0.0f;
  float dy = 0.0f;

  static Transform identity() { return {}; }
  static Transform translation(float x, float y) { return {1.0f, 0.0f, 0.0f, 1.0f, x, y}; }
  static Transform scale(float sx, float sy) { return {sx, 0.0f, 0.0f, sy, 0.0f, 0.0f}; }

  // The transform that applies a first and then b.
  static Transform multiply(const Transform& a, const Transform& b);

  // None when the matrix is singular or its determinant is not finite.
  std::optional<Transform> inverted() const;

  Point map_point(Point p) const;
};

}  // namespace win32_ui::ui::graphics
