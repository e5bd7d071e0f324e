// Card is the rounded surface that builders put other views on (through a
// panel holding both). Selected, it turns to the accent tint with an accent
// outline. Decorative: not shown to accessibility clients. Owned by its
// parent; UI thread only.
#pragma once

#include "ui/views/widgets/widget.h"
#include "ui/views/widgets/widget_tokens.h"

namespace win32_ui::modern {

class Card : public Widget {
 public:
  Card();

  void draw(DrawContext& context) override;
};

}  // namespace win32_ui::modern
