#pragma once

#include <windows.h>

namespace win32_ui::ui::graphics {

// The description of a 32-bit BGRA device-independent bitmap whose rows run
// top to bottom, as images, snapshots and back buffers keep their pixels.
inline BITMAPINFO top_down_bitmap_info(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace win32_ui::ui::graphics
