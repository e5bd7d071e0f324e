#include "app/editor/memory_bitmap.h"
#include "ui/views/graphics/dib_info.h"

#include <utility>

namespace quorvel::windows {

bool MemoryBitmap::create_compatible(HDC reference, int width, int height) {
  reset();
  if (width <= 0 || height <= 0) return false;
  return adopt(reference, CreateCompatibleBitmap(reference, width, height), width, height);
}

bool MemoryBitmap::create_dib(HDC reference, int width, int height, std::uint8_t** bits) {
  reset();
  if (bits) *bits = nullptr;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = win32_ui::ui::graphics::top_down_bitmap_info(width, height);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bitmap || !pixels) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  if (!adopt(reference, bitmap, width, height)) return false;
  if (bits) *bits = static_cast<std::uint8_t*>(pixels);
  return true;
}

bool MemoryBitmap::adopt(HDC reference, HBITMAP bitmap, int width, int height) {
  win32_ui::modern::detail::UniqueGdiObject owned(bitmap);
  if (!owned) return false;
  win32_ui::modern::detail::UniqueMemoryDc dc(CreateCompatibleDC(reference));
  if (!dc) return false;
  HGDIOBJ previous = SelectObject(dc.get(), owned.get());
  if (!previous || previous == HGDI_ERROR) return false;
  dc_ = std::move(dc);
  bitmap_ = std::move(owned);
  previous_ = previous;
  width_ = width;
  height_ = height;
  return true;
}

void MemoryBitmap::reset() {
  if (dc_ && previous_) SelectObject(dc_.get(), previous_);
  previous_ = nullptr;
  dc_.reset();
  bitmap_.reset();
  width_ = 0;
  height_ = 0;
}

}  // namespace quorvel::windows
