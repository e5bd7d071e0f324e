// GridLayout holds the tracks and cells of a grid and runs its two passes
// over any list of child nodes, reached through an accessor: the layout
// engine's GridPanel and the view tree's grid panel both lay their children
// out with it. Right-to-left layout runs the columns from the right edge.
// Cells are kept parallel to the children; children beyond the shorter of
// the two lists are neither measured nor arranged. UI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "ui/platform/layout/grid_tracks.h"
#include "ui/platform/layout/layout_node.h"

namespace win32_ui::layout {

class GridLayout {
 public:
  // The node at an index below the child count.
  using ChildAccessor = std::function<LayoutNode*(std::size_t)>;

  // Empty track lists become one star track; spacings are taken
  // non-negative (a non-finite spacing counts as 0).
  GridLayout(std::vector<GridLength> columns, std::vector<GridLength> rows, float column_spacing,
             float row_spacing);

  void set_rows(const std::vector<GridLength>& rows);
  // Appends the cell with spans below 1 raised to 1.
  void add_cell(GridCell cell);
  void remove_last_cell();

  // The grid's content size within `content`; keeps the track sizes from
  // before track sizing for arrange.
  Size measure(std::size_t child_count, const ChildAccessor& child_at,
               const SizeConstraint& content, const LayoutContext& context);
  // Places each child in its cell's tracks; a cell outside the grid gets
  // 0 x 0 at the content origin.
  void arrange(std::size_t child_count, const ChildAccessor& child_at, const LayoutRect& content,
               const LayoutContext& context);

  const std::vector<GridLength>& columns() const { return columns_; }
  const std::vector<GridLength>& rows() const { return rows_; }
  const std::vector<GridCell>& cells() const { return cells_; }
  const std::vector<float>& column_sizes() const { return column_sizes_; }
  const std::vector<float>& row_sizes() const { return row_sizes_; }
  float column_spacing() const { return column_spacing_; }
  float row_spacing() const { return row_spacing_; }

 private:
  std::vector<GridLength> columns_;
  std::vector<GridLength> rows_;
  std::vector<GridCell> cells_;
  std::vector<float> column_sizes_;
  std::vector<float> row_sizes_;
  float column_spacing_;
  float row_spacing_;
};

}  // namespace win32_ui::layout
