// Drawable paints a view's background or foreground: given the canvas, the
// view's rectangle in pixels, the palette and the view's interaction state.
// Views hold drawables through shared pointers, so one drawable may serve
// many views; it is called on the UI thread during a paint pass only.
#pragma once

#include "ui/platform/theme/render_palette.h"
#include "ui/views/drawable_state.h"
#include "ui/views/graphics/canvas.h"

namespace win32_ui::ui::graphics {

class Drawable {
 public:
  virtual ~Drawable() = default;
  virtual void draw(Canvas& canvas, const Rect& rect, const RenderPalette& palette,
                    DrawableState state) const = 0;
};

}  // namespace win32_ui::ui::graphics
