// Icon is a widget that draws one vector glyph (see glyph.h) in the text
// colour, 32 x 32 DIP by default. Decorative: not shown to accessibility
// clients. Owned by its parent; UI thread only.
#pragma once

#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {

class Icon : public Widget {
 public:
  explicit Icon(int glyph);

  // Repaints only when the glyph changes.
  Icon& set_icon(int glyph);
  int icon() const { return glyph_; }

  void draw(DrawContext& context) override;

 private:
  int glyph_;
};

}  // namespace win32_ui::modern
