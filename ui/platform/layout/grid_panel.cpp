#include "ui/platform/layout/grid_panel.h"

#include <stdexcept>

namespace win32_ui::layout {

GridPanel::GridPanel(std::vector<GridLength> columns, std::vector<GridLength> rows,
                     float column_spacing, float row_spacing, Thickness padding)
    : grid_(std::move(columns), std::move(rows), column_spacing, row_spacing) {
  LayoutParams params = layout_params();
  params.padding = padding;
  store_layout_params(params);
}

LayoutNode* GridPanel::add_child(std::unique_ptr<LayoutNode> child, GridCell cell) {
  if (!child) throw std::invalid_argument("layout child must not be null");
  grid_.add_cell(cell);
  try {
    return Panel::add_child(std::move(child));
  } catch (...) {
    grid_.remove_last_cell();
    throw;
  }
}

GridLayout::ChildAccessor GridPanel::child_accessor() const {
  return [this](std::size_t index) { return child_at(index); };
}

Size GridPanel::measure_override(const SizeConstraint& content, const LayoutContext& context) {
  return grid_.measure(child_count(), child_accessor(), content, context);
}

void GridPanel::arrange_override(const LayoutRect& content, const LayoutContext& context) {
  grid_.arrange(child_count(), child_accessor(), content, context);
}

}  // namespace win32_ui::layout
