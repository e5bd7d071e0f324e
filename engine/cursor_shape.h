// The pointer shape of the desktop duplication turned into 32-bit pixels the
// frame shader can blend.
//
// Monochrome shapes carry an AND mask over an XOR mask, one bit per pixel;
// they become transparent, black, white, or half-alpha black for the pixels
// that invert the screen (the shader recognises that alpha). Colour and
// masked-colour shapes are already 32-bit pixels and are only repacked
// without their row padding. Pure function; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel::windows {

// DXGI_OUTDUPL_POINTER_SHAPE_TYPE values.
inline constexpr uint32_t kCursorMonochrome = 1;
inline constexpr uint32_t kCursorColor = 2;
inline constexpr uint32_t kCursorMaskedColor = 4;

// Converted monochrome pixels (ARGB).
inline constexpr uint32_t kCursorTransparent = 0x00000000;
inline constexpr uint32_t kCursorInvert = 0x80000000;
inline constexpr uint32_t kCursorBlack = 0xFF000000;
inline constexpr uint32_t kCursorWhite = 0xFFFFFFFF;

struct CursorShape {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t type = 0;
  // width x height pixels, rows top to bottom, no padding.
  std::vector<uint32_t> pixels;

  bool empty() const { return pixels.empty(); }
  bool operator==(const CursorShape&) const = default;
};

// Empty when the size or the byte count is 0, when the bytes do not cover
// height x pitch, when a row's pitch is shorter than the row itself (width x 4
// bytes, or ceil(width / 8) for monochrome), or for a monochrome shape less
// than two rows high.
CursorShape convert_cursor_shape(uint32_t type, uint32_t width, uint32_t height, uint32_t pitch,
                                 const uint8_t* data, size_t size);

}  // namespace quorvel::windows
