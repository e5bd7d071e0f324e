// Paints one view through the toolkit's Direct2D canvas into a 32-bit DIB
// with a theme's palette at 96 DPI, so tests read back exact pixels.
#pragma once

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/view.h"

namespace quorvel::windows::test {

struct PaintStates {
  win32_ui::modern::View* pressed = nullptr;
  win32_ui::modern::View* focused = nullptr;
  bool keyboard_cues = false;
};

// Lays the view out over the whole target and paints only the view itself.
// False when the canvas could not draw.
bool paint_view(win32_ui::modern::View& view, const win32_ui::Theme& theme,
                win32_ui::ui::graphics::test::DibTarget& target, const PaintStates& states = {});

// The palette colour as the test pixels hold it.
win32_ui::ui::graphics::test::Rgb palette_rgb(const win32_ui::Theme& theme, int index);
win32_ui::ui::graphics::test::Rgb to_rgb(win32_ui::ui::graphics::Color color);

// How many pixels inside `area` have exactly `color`.
int count_pixels(const win32_ui::ui::graphics::test::DibTarget& target, RECT area,
                 win32_ui::ui::graphics::test::Rgb color);

}  // namespace quorvel::windows::test

#include <memory>

#include "ui/views/view_root.h"

namespace quorvel::windows::test {

// Keeps a view in a view root, so that the events it raises reach its
// handlers as in a window.
class RootedView {
 public:
  explicit RootedView(std::unique_ptr<win32_ui::modern::View> view) {
    root_.set_root(std::move(view));
    root_.layout(400, 200, {});
  }

 private:
  win32_ui::modern::ViewRoot root_;
};

}  // namespace quorvel::windows::test
