#include "ui/platform/hosting/chrome_bar_background.h"

#include "ui/platform/theme/theme.h"
#include "ui/views/draw_context.h"

namespace win32_ui::modern {

ChromeBarBackground::ChromeBarBackground() { set_accessible_role(ElementRole::kView); }

void ChromeBarBackground::draw(DrawContext& context) {
  if (context.canvas() == nullptr) return;
  context.canvas()->fill_rect(context.bounds_px(),
                              context.color(static_cast<int>(ThemeColor::window_background)));
}

}  // namespace win32_ui::modern
