// The background of the main window's header band. Owned by its parent
// view; drawn on the UI thread.
#pragma once

#include "ui/views/view.h"

namespace quorvel::windows {

class ChromeSurface : public win32_ui::modern::View {
 public:
  ~ChromeSurface() override;
  void draw(win32_ui::modern::DrawContext& context) override;
};

}  // namespace quorvel::windows
