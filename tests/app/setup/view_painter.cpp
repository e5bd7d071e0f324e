#include "tests/app/setup/view_painter.h"

#include "ui/views/draw_context.h"
#include "ui/views/graphics/direct2d_canvas.h"
#include "ui/views/surface_fonts.h"

namespace quorvel::windows::test {

using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;

bool paint_view(win32_ui::modern::View& view, const win32_ui::Theme& theme, DibTarget& target,
                const PaintStates& states) {
  const auto width = static_cast<float>(target.width());
  const auto height = static_cast<float>(target.height());
  win32_ui::layout::LayoutContext layout_context;
  view.measure(win32_ui::layout::make_unbounded_size(width, height), layout_context);
  view.arrange({0.0f, 0.0f, width, height}, layout_context);

  win32_ui::modern::SurfaceFonts fonts;
  fonts.create(96.0f, 1.0f);
  const RECT bounds = target.bounds();
  win32_ui::modern::detail::Direct2dCanvas canvas(target.dc(), bounds, fonts.table());
  if (!canvas.is_active()) return false;
  const auto palette = win32_ui::Theme::to_render_palette(theme);
  win32_ui::modern::DrawContext::Setup setup;
  setup.canvas = &canvas;
  setup.palette = &palette;
  setup.pressed = states.pressed;
  setup.focused = states.focused;
  setup.keyboard_cues = states.keyboard_cues;
  win32_ui::modern::DrawContext context(setup);
  const auto saved = context.push_view(view);
  view.draw(context);
  context.pop_view(saved);
  return canvas.flush();
}

Rgb to_rgb(win32_ui::ui::graphics::Color color) { return {color.r, color.g, color.b}; }

Rgb palette_rgb(const win32_ui::Theme& theme, int index) {
  return to_rgb(win32_ui::Theme::to_render_palette(theme).colors[static_cast<size_t>(index)]);
}

int count_pixels(const DibTarget& target, RECT area, Rgb color) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (target.pixel(x, y) == color) ++count;
    }
  }
  return count;
}

}  // namespace quorvel::windows::test
