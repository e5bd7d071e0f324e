// An opaque canvas colour: three bytes red, green, blue.
//
// Canvases and their palette use it; where a packed value is needed it is
// r | g << 8 | b << 16, the layout of a Windows COLORREF (0x00BBGGRR).
#pragma once

#include <cstdint>

namespace win32_ui::ui::graphics {

struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  static constexpr Color from_colorref(std::uint32_t packed) {
    return Color{static_cast<std::uint8_t>(packed & 0xFF),
                 static_cast<std::uint8_t>((packed >> 8) & 0xFF),
                 static_cast<std::uint8_t>((packed >> 16) & 0xFF)};
  }
  constexpr std::uint32_t to_colorref() const {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
  }

  friend constexpr bool operator==(const Color&, const Color&) = default;
};

static_assert(sizeof(Color) == 3, "a palette entry is exactly three bytes");

}  // namespace win32_ui::ui::graphics
