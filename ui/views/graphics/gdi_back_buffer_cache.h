// The off-screen bitmaps that the GDI canvas draws into, kept per painting
// thread and reused across paints. There are exactly kEntries of them; an
// entry belongs to one window (or, for a DC without a window, to that DC)
// and one kind of device (technology, planes, bits per pixel), grows in
// steps of half its size (at least 64 pixels) and is released when its
// window is gone and a buffer is needed, or when the thread ends. Only the
// owning thread touches it.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "ui/views/graphics/gdi_handles.h"
#include "ui/views/graphics/use_counter.h"

namespace win32_ui::modern::detail {

struct GdiBackBuffer {
  HANDLE key = nullptr;  // the DC's window, or the DC itself without one
  bool keyed_by_window = false;
  int technology = 0;
  int planes = 0;
  int bits_per_pixel = 0;
  UniqueMemoryDc dc;
  UniqueGdiObject bitmap;
  HGDIOBJ original_bitmap = nullptr;  // selected in `dc` before our first bitmap
  int width = 0;
  int height = 0;
  bool in_use = false;
  std::uint64_t stamp = 0;

  GdiBackBuffer() = default;
  ~GdiBackBuffer() { release(); }
  GdiBackBuffer(const GdiBackBuffer&) = delete;
  GdiBackBuffer& operator=(const GdiBackBuffer&) = delete;

  // Frees the DC and bitmap and resets every field.
  void release();
};

// One side of a buffer that must hold `requested` pixels, grown from
// `current`: from max(current, 64) by max(half, 64) at a time; `requested`
// itself where the next step would pass INT_MAX.
int grow_back_buffer_side(int current, int requested);

class GdiBackBufferCache {
 public:
  static constexpr std::size_t kEntries = 8;

  // An entry of at least width x height for drawing for `target`, marked in
  // use; null when all are in use or the DC or bitmap cannot be made.
  GdiBackBuffer* acquire(HDC target, int width, int height);
  // Makes an acquired entry available again.
  void give_back(GdiBackBuffer& entry);

  const std::array<GdiBackBuffer, kEntries>& entries() const { return entries_; }

 private:
  struct DcIdentity {
    HANDLE key = nullptr;
    bool keyed_by_window = false;
    int technology = 0;
    int planes = 0;
    int bits_per_pixel = 0;
  };

  static DcIdentity identify(HDC dc);
  static bool matches(const GdiBackBuffer& entry, const DcIdentity& identity);
  GdiBackBuffer* choose(const DcIdentity& identity);
  static bool prepare(GdiBackBuffer& entry, HDC target, const DcIdentity& identity, int width,
                      int height);

  std::array<GdiBackBuffer, kEntries> entries_;
  UseCounter uses_;
};

// The calling thread's back buffers, made on its first use.
GdiBackBufferCache& thread_gdi_back_buffers();

}  // namespace win32_ui::modern::detail
