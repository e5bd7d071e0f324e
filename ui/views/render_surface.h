// RenderSurface is the painting side of a surface: one WM_PAINT of its
// window, drawing the view tree for the area the view root knows to be dirty.
// The surface implements it; UI thread only.
#pragma once

#include "ui/views/graphics/canvas.h"

namespace win32_ui::platform {

class RenderSurface {
 public:
  virtual ~RenderSurface() = default;
  // `requested` is the dirty area in DIP content coordinates as left, top,
  // right, bottom; empty means the whole window. True when a canvas painted.
  virtual bool paint(const ui::graphics::Rect& requested) = 0;
};

}  // namespace win32_ui::platform
