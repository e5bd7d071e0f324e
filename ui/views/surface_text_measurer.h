// SurfaceTextMeasurer is the text measurer a surface hands its layout: it
// measures with the surface's current fonts, through DirectWrite first and
// GDI when that gives nothing, and answers in DIP for the surface's DPI and
// zoom. It borrows the font table, dpi and zoom of its surface, so it always
// measures with what the surface paints with. UI thread only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/graphics/measure_text.h"
#include "ui/views/surface_fonts.h"

namespace win32_ui::modern {

class SurfaceTextMeasurer final : public layout::TextMeasurer {
 public:
  // The first measuring step, in pixels; detail::measure_text by default.
  using MeasureStep = std::function<detail::TextExtent(HFONT, std::wstring_view)>;

  // The three pointers must outlive the measurer.
  SurfaceTextMeasurer(const SurfaceFonts* fonts, const std::uint32_t* dpi, const float* zoom,
                      MeasureStep step = {});

  // Nothing for a font index outside 1..6 or an empty slot; "" is 0 x 0.
  std::optional<layout::Size> measure(const wchar_t* text, std::size_t length,
                                      std::uint32_t font_index) override;

 private:
  static std::optional<layout::Size> measure_with_gdi(HFONT font, const wchar_t* text,
                                                      std::size_t length);

  const SurfaceFonts* fonts_;
  const std::uint32_t* dpi_;
  const float* zoom_;
  MeasureStep step_;
};

}  // namespace win32_ui::modern
