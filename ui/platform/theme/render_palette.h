// The byte palette that canvases draw with, made from a Theme by
// Theme::to_render_palette: the 19 theme colours in index order as red,
// green, blue triplets (entry k at byte 3k), then the dark flag byte and the
// high-contrast flag byte. A plain 59-byte value.
#pragma once

#include <array>
#include <cstdint>

#include "ui/views/graphics/color.h"

namespace win32_ui::ui::graphics {

struct RenderPalette {
  std::array<Color, 19> colors{};
  std::uint8_t dark = 0;
  std::uint8_t high_contrast = 0;

  friend bool operator==(const RenderPalette&, const RenderPalette&) = default;
};

static_assert(sizeof(RenderPalette) == 59, "the palette is 19 RGB triplets and two flag bytes");

}  // namespace win32_ui::ui::graphics
