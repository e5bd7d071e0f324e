#include "ui/views/overlay_panel.h"

#include <algorithm>

namespace win32_ui::modern {

OverlayPanel::OverlayPanel(layout::Thickness padding) { set_padding(padding); }

layout::Size OverlayPanel::measure_override(const layout::SizeConstraint& content,
                                            const layout::LayoutContext& context) {
  const layout::SizeConstraint offer =
      layout::make_unbounded_size(content.max_width, content.max_height);
  layout::Size result;
  for (std::size_t i = 0; i < child_count(); ++i) {
    const layout::Size desired = child_at(i)->measure(offer, context);
    result.width = std::max(result.width, desired.width);
    result.height = std::max(result.height, desired.height);
  }
  return result;
}

void OverlayPanel::arrange_override(const layout::LayoutRect& content,
                                    const layout::LayoutContext& context) {
  for (std::size_t i = 0; i < child_count(); ++i) child_at(i)->arrange(content, context);
}

}  // namespace win32_ui::modern
