#include "ui/views/widgets/tinted_icon_cache.h"

namespace win32_ui::modern {

using ui::graphics::Color;
using ui::graphics::Image;

const Image& TintedIconCache::image_for(const Image& source, Color color) {
  if (source.data() != source_ || color != color_) {
    source_ = source.data();
    color_ = color;
    Image tinted;
    tinted_ = SUCCEEDED(source.tinted(color, tinted)) ? tinted : Image{};
  }
  return tinted_.valid() ? tinted_ : source;
}

void TintedIconCache::clear() {
  source_.reset();
  color_ = Color{};
  tinted_ = Image{};
}

}  // namespace win32_ui::modern
