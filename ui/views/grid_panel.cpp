#include "ui/views/grid_panel.h"

#include <stdexcept>

namespace win32_ui::modern {

GridPanel::GridPanel(std::vector<layout::GridLength> columns, std::vector<layout::GridLength> rows,
                     float column_spacing, float row_spacing, layout::Thickness padding)
    : grid_(std::move(columns), std::move(rows), column_spacing, row_spacing) {
  set_padding(padding);
}

View* GridPanel::add_child(std::unique_ptr<View> child, layout::GridCell cell) {
  if (!child) throw std::invalid_argument("modern View child must not be null");
  grid_.add_cell(cell);
  try {
    return ViewGroup::add_child(std::move(child));
  } catch (...) {
    grid_.remove_last_cell();
    throw;
  }
}

void GridPanel::set_rows(std::vector<layout::GridLength> rows) {
  grid_.set_rows(rows);
  invalidate_layout();
}

std::vector<float> GridPanel::resolve_tracks(const std::vector<layout::GridLength>& tracks,
                                             const std::vector<float>& measured, float available,
                                             float spacing) {
  return layout::grid_track_sizes(tracks, measured, available, spacing);
}

layout::GridLayout::ChildAccessor GridPanel::child_accessor() const {
  return [this](std::size_t index) -> layout::LayoutNode* { return child_at(index); };
}

layout::Size GridPanel::measure_override(const layout::SizeConstraint& content,
                                         const layout::LayoutContext& context) {
  return grid_.measure(child_count(), child_accessor(), content, context);
}

void GridPanel::arrange_override(const layout::LayoutRect& content,
                                 const layout::LayoutContext& context) {
  grid_.arrange(child_count(), child_accessor(), content, context);
  // A child added without a cell has no place in the grid. It still gets a
  // rectangle, the empty one at the content origin as a cell outside the
  // grid does, so it never keeps one from an earlier parent or layout.
  const layout::LayoutRect nowhere{content.x, content.y, 0.0f, 0.0f};
  for (std::size_t i = grid_.cells().size(); i < child_count(); ++i) {
    child_at(i)->arrange(nowhere, context);
  }
}

}  // namespace win32_ui::modern
