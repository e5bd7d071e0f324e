// ScaledIconCache keeps one bitmap icon scaled down to the size it was last
// drawn at, so a button scales its picture once per size rather than once
// per paint. Pictures that already fit are drawn as they are and never
// copied. Owned by its button; UI thread only.
#pragma once

#include <cstdint>

#include "ui/views/image.h"

namespace win32_ui::modern {

class ScaledIconCache {
 public:
  // What to draw for `source` in a box of width x height pixels: the cached
  // copy, scaled again only when the box size changed and the source is
  // larger than the box; the source itself when it fits or scaling failed.
  const ui::graphics::Image& image_for(const ui::graphics::Image& source, std::uint32_t width,
                                       std::uint32_t height);
  void clear();

  const ui::graphics::Image& scaled() const { return scaled_; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

 private:
  ui::graphics::Image scaled_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

}  // namespace win32_ui::modern
