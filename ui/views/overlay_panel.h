// OverlayPanel stacks its children on top of each other, each given the
// panel's whole content rectangle; later children are drawn above earlier
// ones. UI thread only.
#pragma once

#include "ui/views/view_group.h"

namespace win32_ui::modern {

class OverlayPanel : public ViewGroup {
 public:
  explicit OverlayPanel(layout::Thickness padding = {});

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void arrange_override(const layout::LayoutRect& content,
                        const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
