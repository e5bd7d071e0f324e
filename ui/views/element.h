// Element is the surface's flat record of one widget, rebuilt at every
// relayout: what lookups by control id answer and what the focus order of
// hosted native controls is built around. A plain value on the UI thread.
#pragma once

#include <string>

#include "ui/platform/layout/layout_types.h"

namespace win32_ui::modern {

struct Element {
  // The widget's control id; 0 for none.
  int id = 0;
  // The widget kind (widget.h).
  int type = 0;
  // DIP, in surface (content) coordinates.
  layout::LayoutRect bounds;
  std::wstring text;
  // Buttons.
  std::wstring shortcut_text;
  int text_style = 0;
  // A Button's glyph, an Icon's glyph.
  int variant = 0;
  // The view is enabled; an Interactive also accepts input.
  bool enabled = false;
  bool checked = false;
  // Buttons.
  bool primary = false;
  bool selected = false;
  // Sliders, 0 to 1.
  float value = 0.0f;

  // Buttons, toggles, check boxes, radio buttons, sliders and fields.
  bool is_interactive_type() const {
    return type == 2 || type == 3 || type == 4 || type == 5 || type == 6 || type == 8;
  }
  // Listed in the focus order.
  bool is_actionable() const { return id != 0 && enabled && is_interactive_type(); }
};

}  // namespace win32_ui::modern
