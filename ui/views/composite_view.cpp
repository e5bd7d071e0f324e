#include "ui/views/composite_view.h"

namespace win32_ui::modern {

CompositeView::CompositeView(std::unique_ptr<View> content) {
  if (content) add_child(std::move(content));
}

}  // namespace win32_ui::modern
