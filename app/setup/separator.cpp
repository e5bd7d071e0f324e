#include "app/setup/separator.h"

#include "app/setup/palette_shade.h"
#include "ui/views/draw_context.h"

namespace quorvel::windows {

Separator::Separator(bool subtle_in_dark) : subtle_in_dark_(subtle_in_dark) {
  set_accessible_role(win32_ui::modern::ElementRole::kView);
}

Separator::~Separator() = default;

void Separator::draw(win32_ui::modern::DrawContext& context) {
  const bool subtle = subtle_in_dark_ && context.is_dark() && !context.is_high_contrast();
  const auto color = subtle ? lowered_by(context.color(1), 5) : context.color(4);
  context.canvas()->fill_rect(context.surface_bounds_px(), color);
}

}  // namespace quorvel::windows
