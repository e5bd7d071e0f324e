// A panel of rows and columns with fixed, automatic and star tracks. Each
// child sits in a GridCell (column, row and spans); cells are kept parallel
// to the children, and children beyond the shorter of the two lists are
// neither measured nor arranged. Right-to-left layout runs the columns from
// the right edge. UI thread only.
#pragma once

#include <memory>
#include <vector>

#include "ui/platform/layout/grid_layout.h"
#include "ui/platform/layout/grid_tracks.h"
#include "ui/platform/layout/layout_node.h"

namespace win32_ui::layout {

class GridPanel : public Panel {
 public:
  // Empty track lists become one star track; spacings are taken
  // non-negative (a non-finite spacing counts as 0); the padding goes into
  // the panel's layout parameters.
  GridPanel(std::vector<GridLength> columns, std::vector<GridLength> rows, float column_spacing,
            float row_spacing, Thickness padding);

  // Adopts the child in `cell` (spans below 1 become 1) and returns it. A
  // null child throws std::invalid_argument("layout child must not be null")
  // and leaves cells and children as they were.
  LayoutNode* add_child(std::unique_ptr<LayoutNode> child, GridCell cell);

  const std::vector<GridLength>& columns() const { return grid_.columns(); }
  const std::vector<GridLength>& rows() const { return grid_.rows(); }
  const std::vector<GridCell>& cells() const { return grid_.cells(); }
  // Track sizes from the last measure, before track sizing; arrange sizes
  // the tracks from them.
  const std::vector<float>& column_sizes() const { return grid_.column_sizes(); }
  const std::vector<float>& row_sizes() const { return grid_.row_sizes(); }
  float column_spacing() const { return grid_.column_spacing(); }
  float row_spacing() const { return grid_.row_spacing(); }

 protected:
  Size measure_override(const SizeConstraint& content, const LayoutContext& context) override;
  void arrange_override(const LayoutRect& content, const LayoutContext& context) override;

 private:
  GridLayout::ChildAccessor child_accessor() const;

  GridLayout grid_;
};

}  // namespace win32_ui::layout
