#include "engine/cursor_shape.h"

#include <cstring>

namespace quorvel::windows {

CursorShape convert_cursor_shape(uint32_t type, uint32_t width, uint32_t height, uint32_t pitch,
                                 const uint8_t* data, size_t size) {
  CursorShape shape;
  if (width == 0 || height == 0 || size == 0 || !data) return shape;
  if (static_cast<uint64_t>(size) < static_cast<uint64_t>(height) * pitch) return shape;

  if (type == kCursorMonochrome) {
    const uint64_t row_bytes = (static_cast<uint64_t>(width) + 7) / 8;
    if (height < 2 || pitch < row_bytes) return shape;
    const uint32_t rows = height / 2;
    shape.width = width;
    shape.height = rows;
    shape.type = type;
    shape.pixels.resize(static_cast<size_t>(width) * rows);
    for (uint32_t y = 0; y < rows; ++y) {
      const uint8_t* and_row = data + static_cast<size_t>(y) * pitch;
      const uint8_t* xor_row = data + static_cast<size_t>(y + rows) * pitch;
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (x % 8));
        const bool and_bit = (and_row[x / 8] & bit) != 0;
        const bool xor_bit = (xor_row[x / 8] & bit) != 0;
        uint32_t pixel = kCursorBlack;
        if (and_bit) {
          pixel = xor_bit ? kCursorInvert : kCursorTransparent;
        } else if (xor_bit) {
          pixel = kCursorWhite;
        }
        shape.pixels[static_cast<size_t>(y) * width + x] = pixel;
      }
    }
    return shape;
  }

  const uint64_t row_bytes = static_cast<uint64_t>(width) * 4;
  if (pitch < row_bytes) return shape;
  shape.width = width;
  shape.height = height;
  shape.type = type;
  shape.pixels.resize(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    std::memcpy(shape.pixels.data() + static_cast<size_t>(y) * width, data + static_cast<size_t>(y) * pitch,
                static_cast<size_t>(row_bytes));
  }
  return shape;
}

}  // namespace quorvel::windows
