// The plain fill behind a custom title row, in the theme's window
// background. Owned by the title-bar grid. UI thread only.
#pragma once

#include "ui/views/view.h"

namespace win32_ui::modern {

class ChromeBarBackground final : public View {
 public:
  ChromeBarBackground();
  void draw(DrawContext& context) override;
};

}  // namespace win32_ui::modern
