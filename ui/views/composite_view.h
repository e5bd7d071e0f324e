// CompositeView is a compound view built around its content: product views
// derive from it to wrap a tree they build once. UI thread only.
#pragma once

#include <memory>

#include "ui/views/compound_view.h"

namespace win32_ui::modern {

class CompositeView : public CompoundView {
 public:
  // Adopts the content when it is not null.
  explicit CompositeView(std::unique_ptr<View> content);
};

}  // namespace win32_ui::modern
