#include "ui/views/stack_panel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace win32_ui::modern {
namespace {

bool collapsed(const View& view) { return view.layout_params().visibility == layout::kCollapsed; }

}  // namespace

StackPanel::StackPanel(int orientation, float spacing, layout::Thickness padding)
    : orientation_(orientation),
      spacing_(std::isfinite(spacing) && spacing > 0.0f ? spacing : 0.0f) {
  set_padding(padding);
}

layout::Size StackPanel::measure_override(const layout::SizeConstraint& content,
                                          const layout::LayoutContext& context) {
  const layout::SizeConstraint offer =
      vertical() ? layout::make_unbounded_size(content.max_width, layout::kUnbounded)
                 : layout::make_unbounded_size(layout::kUnbounded, content.max_height);
  float along = 0.0f;
  float across = 0.0f;
  std::size_t measured = 0;
  for (std::size_t i = 0; i < child_count(); ++i) {
    View* child = child_at(i);
    if (collapsed(*child)) continue;
    const layout::Size desired = child->measure(offer, context);
    along += vertical() ? desired.height : desired.width;
    across = std::max(across, vertical() ? desired.width : desired.height);
    ++measured;
  }
  if (measured > 1) along += static_cast<float>(measured - 1) * spacing_;
  return vertical() ? layout::Size{across, along} : layout::Size{along, across};
}

void StackPanel::arrange_override(const layout::LayoutRect& content,
                                  const layout::LayoutContext& context) {
  std::vector<View*> placed;
  float sum = 0.0f;
  for (std::size_t i = 0; i < child_count(); ++i) {
    View* child = child_at(i);
    if (collapsed(*child)) {
      child->arrange({content.x, content.y, 0.0f, 0.0f}, context);
      continue;
    }
    placed.push_back(child);
    sum += vertical() ? child->desired_size().height : child->desired_size().width;
  }
  const float gaps = placed.size() >= 2 ? static_cast<float>(placed.size() - 1) * spacing_ : 0.0f;
  sum += gaps;
  const float available = vertical() ? content.height : content.width;
  const float factor =
      sum > available && sum - gaps > 0.0f ? std::max(available - gaps, 0.0f) / (sum - gaps) : 1.0f;

  const bool from_right = !vertical() && context.direction == layout::kLayoutRightToLeft;
  float position = vertical() ? content.y : (from_right ? content.x + content.width : content.x);
  for (View* child : placed) {
    const layout::Size desired = child->desired_size();
    const float extent = (vertical() ? desired.height : desired.width) * factor;
    if (vertical()) {
      child->arrange({content.x, position, content.width, extent}, context);
      position += extent + spacing_;
    } else if (from_right) {
      child->arrange({position - extent, content.y, extent, content.height}, context);
      position -= extent + spacing_;
    } else {
      child->arrange({position, content.y, extent, content.height}, context);
      position += extent + spacing_;
    }
  }
}

}  // namespace win32_ui::modern
