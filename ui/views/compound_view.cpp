#include "ui/views/compound_view.h"

namespace win32_ui::modern {

void CompoundView::set_content(std::unique_ptr<View> content) {
  clear_children();
  if (content) add_child(std::move(content));
}

layout::Size CompoundView::measure_override(const layout::SizeConstraint& content,
                                            const layout::LayoutContext& context) {
  View* const child = child_at(0);
  if (child == nullptr) return {};
  return child->measure(content, context);
}

void CompoundView::arrange_override(const layout::LayoutRect& content,
                                    const layout::LayoutContext& context) {
  if (View* const child = child_at(0)) child->arrange(content, context);
}

}  // namespace win32_ui::modern
