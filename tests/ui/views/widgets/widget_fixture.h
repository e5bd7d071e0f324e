// What the widget tests share: a text measurer that answers a fixed size or
// nothing, palettes from the real light and dark themes, laying a view out
// at a rectangle, and painting one view onto a FakeCanvas through a draw
// context made in the test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/ui/views/fake_canvas.h"
#include "ui/platform/layout/layout_types.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/draw_context.h"
#include "ui/views/view.h"

namespace win32_ui::modern::testing {

class FixedTextMeasurer final : public layout::TextMeasurer {
 public:
  explicit FixedTextMeasurer(std::optional<layout::Size> answer) : answer_(answer) {}
  // Each question: the text and the font index.
  std::vector<std::pair<std::wstring, std::uint32_t>> asked;

  std::optional<layout::Size> measure(const wchar_t* text, std::size_t length,
                                      std::uint32_t font_index) override {
    asked.emplace_back(std::wstring(text, length), font_index);
    return answer_;
  }

 private:
  std::optional<layout::Size> answer_;
};

inline ui::graphics::RenderPalette light_palette(bool high_contrast = false) {
  ui::graphics::RenderPalette palette = Theme::to_render_palette(Theme::light(kDefaultAccent));
  palette.high_contrast = high_contrast ? 1 : 0;
  return palette;
}

inline ui::graphics::RenderPalette dark_palette(bool high_contrast = false) {
  ui::graphics::RenderPalette palette = Theme::to_render_palette(Theme::dark(kDefaultAccent));
  palette.high_contrast = high_contrast ? 1 : 0;
  return palette;
}

// Measures within width x height and arranges the view at the rectangle.
inline void lay_out(View& view, const layout::LayoutRect& rect,
                    const layout::LayoutContext& context = {}) {
  view.measure(layout::make_unbounded_size(rect.width, rect.height), context);
  view.arrange(rect, context);
}

// Paints one view's own drawing on a FakeCanvas and keeps the calls.
class Painter {
 public:
  explicit Painter(ui::graphics::RenderPalette palette) : palette_(palette) {}

  // Taken by the next paint; canvas and palette are filled in.
  DrawContext::Setup setup;
  quorvel::test::FakeCanvas canvas;

  const ui::graphics::RenderPalette& palette() const { return palette_; }
  ui::graphics::Color color(int index) const {
    return palette_.colors[static_cast<std::size_t>(index)];
  }
  std::string hex(int index) const { return quorvel::test::FakeCanvas::format(color(index)); }

  // The view's draw calls only (not the context's transform and opacity).
  const std::vector<std::string>& paint(View& view) {
    setup.canvas = &canvas;
    setup.palette = &palette_;
    DrawContext context(setup);
    const DrawContext::SavedView saved = context.push_view(view);
    canvas.clear();
    view.draw(context);
    context.pop_view(saved);
    return canvas.calls;
  }

  // The calls whose line starts with `prefix`.
  std::vector<std::string> calls_starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : canvas.calls) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

 private:
  ui::graphics::RenderPalette palette_;
};

}  // namespace win32_ui::modern::testing
