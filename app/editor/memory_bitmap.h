// A memory DC with one bitmap of its own selected into it, as the editor's
// frozen image and its back buffer keep them. Owns both; the destructor
// puts the DC's original bitmap back before deleting anything. UI thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/views/graphics/gdi_handles.h"

namespace quorvel::windows {

class MemoryBitmap {
 public:
  MemoryBitmap() = default;
  ~MemoryBitmap() { reset(); }
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;

  // A bitmap compatible with `reference` of width x height; false (nothing
  // kept) when the DC or the bitmap cannot be made.
  bool create_compatible(HDC reference, int width, int height);
  // A top-down 32-bit BI_RGB DIB section; `bits` receives its pixels.
  // False (nothing kept) on failure.
  bool create_dib(HDC reference, int width, int height, std::uint8_t** bits);
  void reset();

  HDC dc() const { return dc_.get(); }
  bool valid() const { return dc_.valid(); }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool adopt(HDC reference, HBITMAP bitmap, int width, int height);

  win32_ui::modern::detail::UniqueMemoryDc dc_;
  win32_ui::modern::detail::UniqueGdiObject bitmap_;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace quorvel::windows
