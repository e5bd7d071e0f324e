// The view tree's grid: columns and rows of fixed, automatic and star
// tracks, each child placed in a GridCell with spans. It lays its children
// out with the same two passes as the layout engine's grid. Children added
// without a cell (through ViewGroup::add_child) pair with cells by position;
// a child left without one is not measured and is arranged 0 x 0 at the
// content origin.
// UI thread only.
#pragma once

#include <memory>
#include <vector>

#include "ui/platform/layout/grid_layout.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {

class GridPanel : public ViewGroup {
 public:
  // Empty track lists become one star track; negative or non-finite
  // spacings are stored as 0.
  GridPanel(std::vector<layout::GridLength> columns, std::vector<layout::GridLength> rows,
            float column_spacing = 0.0f, float row_spacing = 0.0f,
            layout::Thickness padding = {});

  using ViewGroup::add_child;
  // Adopts the child in `cell` (spans below 1 become 1). A null child throws
  // "modern View child must not be null" and leaves the cells unchanged.
  View* add_child(std::unique_ptr<View> child, layout::GridCell cell);
  // Replaces the rows and asks for a new layout.
  void set_rows(std::vector<layout::GridLength> rows);

  // The final track sizes for the available length: too little room shrinks
  // star, then automatic, then fixed tracks; spare room goes to star tracks
  // by weight.
  static std::vector<float> resolve_tracks(const std::vector<layout::GridLength>& tracks,
                                           const std::vector<float>& measured, float available,
                                           float spacing);

  const std::vector<layout::GridLength>& columns() const { return grid_.columns(); }
  const std::vector<layout::GridLength>& rows() const { return grid_.rows(); }
  const std::vector<layout::GridCell>& cells() const { return grid_.cells(); }
  const std::vector<float>& column_sizes() const { return grid_.column_sizes(); }
  const std::vector<float>& row_sizes() const { return grid_.row_sizes(); }
  float column_spacing() const { return grid_.column_spacing(); }
  float row_spacing() const { return grid_.row_spacing(); }

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void arrange_override(const layout::LayoutRect& content,
                        const layout::LayoutContext& context) override;

 private:
  layout::GridLayout::ChildAccessor child_accessor() const;

  layout::GridLayout grid_;
};

}  // namespace win32_ui::modern
