#include "ui/views/surface_text_measurer.h"

#include <climits>
#include <utility>

#include "ui/views/dpi_scale.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui::modern {

SurfaceTextMeasurer::SurfaceTextMeasurer(const SurfaceFonts* fonts, const std::uint32_t* dpi,
                                         const float* zoom, MeasureStep step)
    : fonts_(fonts), dpi_(dpi), zoom_(zoom), step_(std::move(step)) {
  if (!step_) step_ = [](HFONT font, std::wstring_view text) {
    return detail::measure_text(font, text);
  };
}

std::optional<layout::Size> SurfaceTextMeasurer::measure(const wchar_t* text, std::size_t length,
                                                         std::uint32_t font_index) {
  HFONT font = fonts_ != nullptr ? fonts_->font(font_index) : nullptr;
  if (font == nullptr) return std::nullopt;
  if (text == nullptr && length != 0) return std::nullopt;
  std::optional<layout::Size> pixels;
  const detail::TextExtent extent =
      step_(font, length == 0 ? std::wstring_view() : std::wstring_view(text, length));
  if (extent.ok) {
    pixels = layout::Size{extent.width, extent.height};
  } else {
    pixels = measure_with_gdi(font, text, length);
  }
  if (!pixels) return std::nullopt;
  const ui::graphics::DpiScale scale(static_cast<float>(*dpi_), *zoom_);
  return layout::Size{scale.to_dip(pixels->width), scale.to_dip(pixels->height)};
}

std::optional<layout::Size> SurfaceTextMeasurer::measure_with_gdi(HFONT font, const wchar_t* text,
                                                                  std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  detail::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return std::nullopt;
  const detail::ScopedSelection selection(dc.get(), font);
  if (!selection.selected()) return std::nullopt;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc.get(), text, static_cast<int>(length), &size)) {
    return std::nullopt;
  }
  return layout::Size{static_cast<float>(size.cx), static_cast<float>(size.cy)};
}

}  // namespace win32_ui::modern
