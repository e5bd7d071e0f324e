// The icon and title of a custom title row. The text is the window's own
// (read at each paint, so WM_SETTEXT needs only a repaint); the icon is the
// window's small icon taken when the row is built, or an accent square when
// it has none. Owned by the title-bar grid. UI thread only.
#pragma once

#include <windows.h>

#include "ui/views/image.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {

class ChromeTitle final : public Widget {
 public:
  explicit ChromeTitle(HWND window);
  ~ChromeTitle() override;

  const ui::graphics::Image& icon() const { return icon_; }
  void draw(DrawContext& context) override;

 private:
  HWND window_;
  ui::graphics::Image icon_;
};

}  // namespace win32_ui::modern
