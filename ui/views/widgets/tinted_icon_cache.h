// TintedIconCache keeps one bitmap icon redrawn in a single colour, the way
// a disabled button shows its picture, so the copy is made once per picture
// and colour rather than once per paint. Owned by its button; UI thread
// only.
#pragma once

#include <memory>

#include "ui/views/graphics/color.h"
#include "ui/views/image.h"

namespace win32_ui::modern {

class TintedIconCache {
 public:
  // What to draw for `source` in `color`: the cached copy, made again only
  // when the picture or the colour changed; the source itself when the copy
  // cannot be made.
  const ui::graphics::Image& image_for(const ui::graphics::Image& source,
                                       ui::graphics::Color color);
  void clear();

  const ui::graphics::Image& tinted() const { return tinted_; }

 private:
  // Held, not only compared, so that its address cannot be reused by
  // another picture while the copy is kept.
  std::shared_ptr<const ui::graphics::Image::Data> source_;
  ui::graphics::Color color_{};
  ui::graphics::Image tinted_;
};

}  // namespace win32_ui::modern
