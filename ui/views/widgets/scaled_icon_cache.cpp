#include "ui/views/widgets/scaled_icon_cache.h"

namespace win32_ui::modern {

using ui::graphics::Image;

const Image& ScaledIconCache::image_for(const Image& source, std::uint32_t width,
                                        std::uint32_t height) {
  if (width != width_ || height != height_) {
    scaled_ = Image{};
    width_ = width;
    height_ = height;
    if (source.width() > width || source.height() > height) {
      Image resized;
      if (SUCCEEDED(source.resized(width, height, resized))) scaled_ = resized;
    }
  }
  return scaled_.valid() ? scaled_ : source;
}

void ScaledIconCache::clear() {
  scaled_ = Image{};
  width_ = 0;
  height_ = 0;
}

}  // namespace win32_ui::modern
