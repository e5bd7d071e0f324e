#include "app/setup/body_surface.h"

#include "app/setup/palette_shade.h"
#include "ui/views/draw_context.h"

namespace quorvel::windows {

BodySurface::~BodySurface() = default;

void BodySurface::draw(win32_ui::modern::DrawContext& context) {
  const bool plain_dark = context.is_dark() && !context.is_high_contrast();
  const auto color = plain_dark ? lowered_by(context.color(1), 3) : context.color(0);
  context.canvas()->fill_rect(context.surface_bounds_px(), color);
}

}  // namespace quorvel::windows
