#include "app/setup/chrome_surface.h"

#include "ui/views/draw_context.h"

namespace quorvel::windows {

ChromeSurface::~ChromeSurface() = default;

void ChromeSurface::draw(win32_ui::modern::DrawContext& context) {
  const bool plain_dark = context.is_dark() && !context.is_high_contrast();
  context.canvas()->fill_rect(context.surface_bounds_px(), context.color(plain_dark ? 1 : 0));
}

}  // namespace quorvel::windows
