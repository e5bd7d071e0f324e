#include "ui/views/surface_fonts.h"

#include <cmath>

#include "ui/views/dpi_scale.h"

namespace win32_ui::modern {

void SurfaceFonts::create(float dpi, float zoom) {
  clear();
  const ui::graphics::DpiScale scale(dpi, zoom);
  for (std::size_t i = 0; i < kCount; ++i) {
    const int height = -static_cast<int>(std::lround(scale.points_to_px(kSpecs[i].points)));
    HFONT font = CreateFontW(height, 0, 0, 0, kSpecs[i].weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
    owners_[i].reset(font);
    handles_[i] = font;
  }
  ++generation_;
}

void SurfaceFonts::clear() {
  handles_.fill(nullptr);
  for (auto& owner : owners_) owner.reset();
}

HFONT SurfaceFonts::font(std::uint32_t index) const {
  if (index < 1 || index > kCount) return nullptr;
  return handles_[index - 1];
}

}  // namespace win32_ui::modern
