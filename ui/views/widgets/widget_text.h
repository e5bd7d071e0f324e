// Sizing of a widget's text: through the layout's text measurer when it can
// tell, otherwise a per-character estimate good enough to lay a window out
// before fonts exist. The text style numbers the typographic roles that
// widgets use (0 display, 1 title, 2 body, 3 caption, 4 control, 5 subtitle).
#pragma once

#include <string_view>

#include "ui/platform/layout/layout_types.h"

namespace win32_ui::modern {

// Estimated line height of a text style, in DIP.
float estimated_line_height(int text_style);
// Estimated width multiplier of a text style.
float estimated_width_factor(int text_style);

// One line of `text` in `text_style` without any font.
layout::Size estimate_widget_text(std::wstring_view text, int text_style);

// The measurer's size of the text in the style's canvas font when the
// context carries a measurer that answers, the estimate otherwise.
layout::Size measure_widget_text(std::wstring_view text, int text_style,
                                 const layout::LayoutContext& context);

}  // namespace win32_ui::modern
