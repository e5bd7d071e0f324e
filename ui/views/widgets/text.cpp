#include "ui/views/widgets/text.h"

#include <algorithm>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/widget_text.h"

namespace win32_ui::modern {
namespace {

// Body text this tall or taller has room for more than one line.
constexpr float kWrappingHeight = 44.0f;
constexpr int kBodyStyle = 2;

}  // namespace

Text::Text(std::wstring text, int text_style, layout::Size default_size)
    : Text(LocalizedText::from_text(std::move(text)), text_style, default_size) {}

Text::Text(LocalizedText text, int text_style, layout::Size default_size)
    : Widget(kWidgetText, default_size) {
  set_localized_text(std::move(text));
  set_text_style(text_style);
}

layout::Size Text::measure_override(const layout::SizeConstraint& content,
                                    const layout::LayoutContext& context) {
  const layout::Size measured = measure_widget_text(text(), text_style(), context);
  return clamp_size(content, {std::max(default_size().width, measured.width),
                              std::max(measured.height, default_size().height)});
}

void Text::draw(DrawContext& context) {
  if (context.canvas() == nullptr) return;
  ui::graphics::TextStyle style;
  style.font = context.font_for(text_style());
  style.color = context.color(is_enabled() ? 6 : 8);
  style.h_align = 0;
  style.v_align = 1;
  style.single_line = !(text_style() == kBodyStyle && bounds().height >= kWrappingHeight);
  style.end_ellipsis = true;
  context.canvas()->draw_text(text(), context.surface_bounds_px(), context.apply_direction(style));
}

}  // namespace win32_ui::modern
