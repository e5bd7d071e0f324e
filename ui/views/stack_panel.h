// StackPanel lays its children out in one row or one column with a fixed
// spacing between them; children that do not fit all shrink by the same
// factor, the spacing kept. A horizontal stack runs from the right edge in
// right-to-left layout. UI thread only.
#pragma once

#include <cstdint>

#include "ui/views/view_group.h"

namespace win32_ui::modern {

class StackPanel : public ViewGroup {
 public:
  static constexpr int kHorizontal = 0;
  static constexpr int kVertical = 1;

  // Any orientation other than kVertical is horizontal. A negative or
  // non-finite spacing is stored as 0.
  StackPanel(int orientation, float spacing, layout::Thickness padding = {});

  int orientation() const { return orientation_; }
  float spacing() const { return spacing_; }

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void arrange_override(const layout::LayoutRect& content,
                        const layout::LayoutContext& context) override;

 private:
  bool vertical() const { return orientation_ == kVertical; }

  int orientation_;
  float spacing_;
};

}  // namespace win32_ui::modern
