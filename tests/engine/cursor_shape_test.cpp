#include "engine/cursor_shape.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel::windows {
namespace {

// A monochrome shape of `width` x `rows` pixels: AND rows, then XOR rows,
// `pitch` bytes per row, bits most significant first.
std::vector<uint8_t> monochrome(uint32_t width, uint32_t rows, uint32_t pitch,
                                const std::vector<std::vector<int>>& and_bits,
                                const std::vector<std::vector<int>>& xor_bits) {
  std::vector<uint8_t> bytes(static_cast<size_t>(pitch) * rows * 2, 0);
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      if (and_bits[y][x]) bytes[y * pitch + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      if (xor_bits[y][x]) bytes[(y + rows) * pitch + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return bytes;
}

TEST(CursorShape, MonochromeMasksBecomeTransparentInvertBlackAndWhite) {
  // One row of four pixels: (AND, XOR) = (1,0), (1,1), (0,0), (0,1). Pitch 2
  // leaves a padding byte after each row.
  const std::vector<uint8_t> bytes = monochrome(4, 1, 2, {{1, 1, 0, 0}}, {{0, 1, 0, 1}});
  const CursorShape shape = convert_cursor_shape(kCursorMonochrome, 4, 2, 2, bytes.data(), bytes.size());
  ASSERT_FALSE(shape.empty());
  EXPECT_EQ(shape.width, 4u);
  EXPECT_EQ(shape.height, 1u);
  EXPECT_EQ(shape.type, kCursorMonochrome);
  const std::vector<uint32_t> expected{0x00000000, 0x80000000, 0xFF000000, 0xFFFFFFFF};
  EXPECT_EQ(shape.pixels, expected);
}

TEST(CursorShape, MonochromeThirtyTwoBySixtyFourIsAThirtyTwoPixelSquare) {
  std::vector<std::vector<int>> and_bits(32, std::vector<int>(32, 1));
  std::vector<std::vector<int>> xor_bits(32, std::vector<int>(32, 0));
  and_bits[5][9] = 0;    // one black pixel
  xor_bits[31][31] = 1;  // one inverting pixel
  const std::vector<uint8_t> bytes = monochrome(32, 32, 4, and_bits, xor_bits);
  const CursorShape shape = convert_cursor_shape(kCursorMonochrome, 32, 64, 4, bytes.data(), bytes.size());
  ASSERT_EQ(shape.width, 32u);
  ASSERT_EQ(shape.height, 32u);
  ASSERT_EQ(shape.pixels.size(), 32u * 32u);
  EXPECT_EQ(shape.pixels[5 * 32 + 9], kCursorBlack);
  EXPECT_EQ(shape.pixels[31 * 32 + 31], kCursorInvert);
  EXPECT_EQ(shape.pixels[0], kCursorTransparent);
}

TEST(CursorShape, ColourRowsDropTheirPadding) {
  // 2 x 2 pixels, pitch 12: 8 bytes of pixels and 4 of padding per row.
  const uint32_t pixels[] = {0x11223344, 0x55667788, 0xDEADBEEF, 0x99AABBCC, 0xFFFFFFFF, 0x01020304};
  std::vector<uint8_t> bytes(24);
  std::memcpy(bytes.data(), pixels, sizeof(pixels));
  for (uint32_t type : {kCursorColor, kCursorMaskedColor}) {
    const CursorShape shape = convert_cursor_shape(type, 2, 2, 12, bytes.data(), bytes.size());
    EXPECT_EQ(shape.type, type);
    EXPECT_EQ(shape.width, 2u);
    EXPECT_EQ(shape.height, 2u);
    EXPECT_EQ(shape.pixels, (std::vector<uint32_t>{0x11223344, 0x55667788, 0x99AABBCC, 0xFFFFFFFF}));
  }
}

TEST(CursorShape, RefusesShapesThatDoNotCoverTheirRows) {
  const std::vector<uint8_t> bytes(4096, 0xFF);
  struct Case {
    const char* what;
    uint32_t type, width, height, pitch;
    size_t size;
  };
  const Case cases[] = {
      {"zero width", kCursorColor, 0, 4, 16, 64},
      {"zero height", kCursorColor, 4, 0, 16, 64},
      {"no bytes", kCursorColor, 4, 4, 16, 0},
      {"fewer bytes than height x pitch", kCursorColor, 4, 4, 16, 63},
      {"colour pitch shorter than a row", kCursorColor, 4, 4, 15, 4096},
      {"masked pitch shorter than a row", kCursorMaskedColor, 8, 2, 4, 4096},
      {"monochrome one pixel high", kCursorMonochrome, 8, 1, 1, 4096},
      {"monochrome pitch shorter than a row", kCursorMonochrome, 17, 4, 2, 4096},
      {"monochrome fewer bytes than height x pitch", kCursorMonochrome, 8, 4, 1, 3},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(convert_cursor_shape(c.type, c.width, c.height, c.pitch, bytes.data(), c.size).empty())
        << c.what;
  }
  // The same shapes are accepted once the pitch covers the row.
  EXPECT_FALSE(convert_cursor_shape(kCursorColor, 4, 4, 16, bytes.data(), 64).empty());
  EXPECT_FALSE(convert_cursor_shape(kCursorMonochrome, 17, 4, 3, bytes.data(), 12).empty());
  EXPECT_TRUE(convert_cursor_shape(kCursorColor, 4, 4, 16, nullptr, 64).empty());
}

}  // namespace
}  // namespace quorvel::windows
