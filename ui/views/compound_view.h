// CompoundView holds exactly one content child and passes measure and
// arrange through to it; replacing the content hands the old one to the
// host. CompositeView is a compound view made with its content. UI thread
// only.
#pragma once

#include <memory>

#include "ui/views/view_group.h"

namespace win32_ui::modern {

class CompoundView : public ViewGroup {
 public:
  CompoundView() = default;

  // Removes the current content (see ViewGroup::clear_children), then adopts
  // `content` when it is not null.
  void set_content(std::unique_ptr<View> content);
  // Null without content.
  View* content() const { return child_at(0); }

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void arrange_override(const layout::LayoutRect& content,
                        const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
