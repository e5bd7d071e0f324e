// Text is a widget that shows one text in a text style: start-aligned and
// vertically centred, ending in an ellipsis when it does not fit; body text
// given 44 DIP or more of height wraps. Owned by its parent; UI thread only.
#pragma once

#include <string>

#include "ui/platform/localized_text.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {

class Text : public Widget {
 public:
  Text(std::wstring text, int text_style, layout::Size default_size);
  Text(LocalizedText text, int text_style, layout::Size default_size);

  void draw(DrawContext& context) override;

 protected:
  // The text's size, widened and heightened to the default size.
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
};

}  // namespace win32_ui::modern
