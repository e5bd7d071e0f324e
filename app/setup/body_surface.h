// The background of a setup window's body: the palette's window colour, or
// in the dark theme a shade below the header so the header band stands out.
// Owned by its parent view; drawn on the UI thread.
#pragma once

#include "ui/views/view.h"

namespace quorvel::windows {

class BodySurface : public win32_ui::modern::View {
 public:
  ~BodySurface() override;
  void draw(win32_ui::modern::DrawContext& context) override;
};

}  // namespace quorvel::windows
