#include "ui/views/widgets/icon.h"

#include <algorithm>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/glyph.h"

namespace win32_ui::modern {

Icon::Icon(int glyph) : Widget(kWidgetIcon, {32.0f, 32.0f}), glyph_(glyph) {}

Icon& Icon::set_icon(int glyph) {
  if (glyph_ == glyph) return *this;
  glyph_ = glyph;
  invalidate();
  return *this;
}

void Icon::draw(DrawContext& context) {
  const float stroke = 1.5f * std::max(context.to_px(1.0f), 1.0f);
  draw_glyph(context, glyph_, context.surface_bounds_px(), context.color(is_enabled() ? 6 : 8),
             stroke);
}

}  // namespace win32_ui::modern
