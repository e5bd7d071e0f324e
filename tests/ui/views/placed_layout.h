// Layout params that place a view at (x, y) inside an overlay panel with a
// fixed size, aligned to the panel's top left: how the toolkit's tests and
// benchmarks lay out hand-made scenes.
#pragma once

#include "ui/platform/layout/layout_types.h"

namespace win32_ui::modern::testing {

inline layout::LayoutParams placed(float x, float y, float width, float height) {
  layout::LayoutParams params;
  params.margin = {x, y, 0.0f, 0.0f};
  params.width = width;
  params.has_width = true;
  params.height = height;
  params.has_height = true;
  params.horizontal_alignment = layout::kAlignStart;
  params.vertical_alignment = layout::kAlignStart;
  return params;
}

}  // namespace win32_ui::modern::testing
