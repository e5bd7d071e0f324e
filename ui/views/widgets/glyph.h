// The toolkit's small vector icons, drawn from lines, rounded rectangles and
// ellipses so that they stay sharp at every scale. Kinds: 1 monitor,
// 2 region corners, 3 sun, 4 help, 5 folder, 6 camera, 7 circle with spokes,
// 8 circle with two dots, 9 person; 0 and anything else draw nothing.
#pragma once

#include "ui/views/draw_context.h"
#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/color.h"

namespace win32_ui::modern {

inline constexpr int kGlyphNone = 0;
inline constexpr int kGlyphMonitor = 1;
inline constexpr int kGlyphRegion = 2;
inline constexpr int kGlyphSun = 3;
inline constexpr int kGlyphHelp = 4;
inline constexpr int kGlyphFolder = 5;
inline constexpr int kGlyphCamera = 6;
inline constexpr int kGlyphSpokes = 7;
inline constexpr int kGlyphDots = 8;
inline constexpr int kGlyphPerson = 9;

// Draws the glyph centred in `rect` (pixels), sized by its shorter side.
void draw_glyph(DrawContext& context, int kind, const ui::graphics::Rect& rect,
                ui::graphics::Color color, float stroke_width);

}  // namespace win32_ui::modern
