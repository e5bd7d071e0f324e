// SurfaceFonts owns the six fonts of one surface, which are also the font
// table of every canvas the surface paints with (text style font n is entry
// n - 1) and what its text measurer measures with. They are made for the
// window's DPI and the surface's zoom and made again whenever either
// changes; each remake raises the generation, so layout never reuses a size
// measured with older fonts. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui::modern {

class SurfaceFonts {
 public:
  static constexpr std::size_t kCount = 6;

  // Size in points and weight of each font, in table order.
  struct Spec {
    float points = 0.0f;
    int weight = 0;
  };
  static constexpr std::array<Spec, kCount> kSpecs{{
      {22.0f, 600}, {15.0f, 600}, {11.0f, 400}, {9.0f, 400}, {11.0f, 600}, {12.0f, 600}}};

  SurfaceFonts() = default;
  SurfaceFonts(const SurfaceFonts&) = delete;
  SurfaceFonts& operator=(const SurfaceFonts&) = delete;

  // Deletes the fonts and makes all six again; a font that cannot be made
  // leaves its slot empty.
  void create(float dpi, float zoom);
  void clear();

  // The 1-based font; null outside 1..6 or for an empty slot.
  HFONT font(std::uint32_t index) const;
  std::span<const HFONT> table() const { return handles_; }
  std::uint64_t generation() const { return generation_; }

 private:
  std::array<detail::UniqueGdiObject, kCount> owners_;
  std::array<HFONT, kCount> handles_{};
  std::uint64_t generation_ = 0;
};

}  // namespace win32_ui::modern
