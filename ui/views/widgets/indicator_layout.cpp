#include "ui/views/widgets/indicator_layout.h"

namespace win32_ui::modern {

using ui::graphics::Rect;

Rect indicator_rect(const Rect& area, float width, float height, bool right_to_left) {
  const float left = right_to_left ? area.right - width : area.left;
  const float top = area.top + (area.height() - height) / 2.0f;
  return {left, top, left + width, top + height};
}

Rect label_rect(const Rect& area, const Rect& indicator, float gap, bool right_to_left) {
  if (right_to_left) return {area.left, area.top, indicator.left - gap, area.bottom};
  return {indicator.right + gap, area.top, area.right, area.bottom};
}

void draw_indicator_label(DrawContext& context, std::wstring_view text, const Rect& rect,
                          bool accepts_input) {
  if (context.canvas() == nullptr) return;
  ui::graphics::TextStyle style;
  style.font = context.font_for(2);
  style.color = context.color(accepts_input ? 6 : 8);
  style.h_align = 0;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  context.canvas()->draw_text(text, rect, context.apply_direction(style));
}

}  // namespace win32_ui::modern
