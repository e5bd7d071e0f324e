// Placement shared by the controls drawn as an indicator (box, circle or
// track) at the start of their area followed by a one-line label: check
// boxes, radio buttons and toggles. Pixels throughout; the start is the
// right edge in right-to-left.
#pragma once

#include <string_view>

#include "ui/views/draw_context.h"
#include "ui/views/graphics/canvas.h"

namespace win32_ui::modern {

// An indicator of width x height at the start of `area`, vertically centred.
ui::graphics::Rect indicator_rect(const ui::graphics::Rect& area, float width, float height,
                                  bool right_to_left);
// What is left of `area` from `gap` after the indicator to the end.
ui::graphics::Rect label_rect(const ui::graphics::Rect& area,
                              const ui::graphics::Rect& indicator, float gap,
                              bool right_to_left);
// The label in body text (canvas font 3), start-aligned, vertically
// centred, one line with an ellipsis; text colour 6, or 8 when the control
// does not accept input.
void draw_indicator_label(DrawContext& context, std::wstring_view text,
                          const ui::graphics::Rect& rect, bool accepts_input);

}  // namespace win32_ui::modern
