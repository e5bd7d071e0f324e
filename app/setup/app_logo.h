// The product logo, drawn from the logo picture in the program's resources
// into a centred square of at most 30 DIP. Draws nothing when the picture is
// missing. Owned by its parent view; drawn on the UI thread.
#pragma once

#include "ui/views/view.h"

namespace quorvel::windows {

class AppLogo : public win32_ui::modern::View {
 public:
  ~AppLogo() override;
  void draw(win32_ui::modern::DrawContext& context) override;
};

}  // namespace quorvel::windows
