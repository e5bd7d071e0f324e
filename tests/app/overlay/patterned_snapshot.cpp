#include "tests/app/overlay/patterned_snapshot.h"
#include "ui/views/graphics/dib_info.h"

#include <gtest/gtest.h>

namespace quorvel::windows::test {

using win32_ui::ui::graphics::test::Rgb;

PatternedSnapshot::PatternedSnapshot(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info = win32_ui::ui::graphics::top_down_bitmap_info(width, height);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc_ = CreateCompatibleDC(nullptr);
  EXPECT_NE(bitmap_, nullptr);
  EXPECT_NE(dc_, nullptr);
  if (!bitmap_ || !dc_) return;
  previous_ = SelectObject(dc_, bitmap_);
  bits_ = static_cast<uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb color = expected(x, y);
      uint8_t* pixel = bits_ + (static_cast<size_t>(y) * width + x) * 4;
      pixel[0] = color.b;
      pixel[1] = color.g;
      pixel[2] = color.r;
      pixel[3] = 0;
    }
  }
}

PatternedSnapshot::~PatternedSnapshot() {
  if (dc_ && previous_) SelectObject(dc_, previous_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
}

Rgb PatternedSnapshot::expected(int x, int y) {
  return {static_cast<uint8_t>((7 * x + 13 * y) % 256), static_cast<uint8_t>(y % 241),
          static_cast<uint8_t>(x % 251)};
}

}  // namespace quorvel::windows::test
