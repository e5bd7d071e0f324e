// Tells which of the control bar's pictures a button last drew, for the
// tests of the bar's view and of the App that drives it. UI thread.
#pragma once

#include <algorithm>
#include <cstddef>

#include "app/control/control_button_icons.h"
#include "ui/views/widgets/button.h"

namespace quorvel::windows::test {

// True when the button last drew the light picture of icon `index`: its
// scaled copy equals that picture scaled to the same box. False before the
// button has drawn an icon.
inline bool shows_control_icon(const win32_ui::modern::Button& button, int index) {
  const win32_ui::ui::graphics::Image& drawn = button.light_icon_cache().scaled();
  if (!drawn.valid()) return false;
  win32_ui::ui::graphics::Image expected;
  if (FAILED(control_button_icons()[static_cast<std::size_t>(index)].first.resized(
          drawn.width(), drawn.height(), expected))) {
    return false;
  }
  return expected.valid() && expected.width() == drawn.width() &&
         expected.height() == drawn.height() &&
         std::ranges::equal(drawn.pixels(), expected.pixels());
}

}  // namespace quorvel::windows::test
