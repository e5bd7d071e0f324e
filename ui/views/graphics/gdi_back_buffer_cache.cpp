#include "ui/views/graphics/gdi_back_buffer_cache.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "ui/views/graphics/per_thread.h"

namespace win32_ui::modern::detail {

void GdiBackBuffer::release() {
  if (dc && original_bitmap) SelectObject(dc.get(), original_bitmap);
  bitmap.reset();
  dc.reset();
  key = nullptr;
  keyed_by_window = false;
  technology = planes = bits_per_pixel = 0;
  original_bitmap = nullptr;
  width = height = 0;
  in_use = false;
  stamp = 0;
}

int grow_back_buffer_side(int current, int requested) {
  constexpr std::int64_t kMinimum = 64;
  std::int64_t size = std::max<std::int64_t>(current, kMinimum);
  while (size < requested) {
    const std::int64_t step = std::max<std::int64_t>(size / 2, kMinimum);
    if (size + step > INT_MAX) return requested;
    size += step;
  }
  return static_cast<int>(size);
}

GdiBackBufferCache::DcIdentity GdiBackBufferCache::identify(HDC dc) {
  DcIdentity identity;
  const HWND window = WindowFromDC(dc);
  identity.key = window ? static_cast<HANDLE>(window) : static_cast<HANDLE>(dc);
  identity.keyed_by_window = window != nullptr;
  identity.technology = GetDeviceCaps(dc, TECHNOLOGY);
  identity.planes = GetDeviceCaps(dc, PLANES);
  identity.bits_per_pixel = GetDeviceCaps(dc, BITSPIXEL);
  return identity;
}

bool GdiBackBufferCache::matches(const GdiBackBuffer& entry, const DcIdentity& identity) {
  return entry.key == identity.key && entry.keyed_by_window == identity.keyed_by_window &&
         entry.technology == identity.technology && entry.planes == identity.planes &&
         entry.bits_per_pixel == identity.bits_per_pixel;
}

GdiBackBuffer* GdiBackBufferCache::choose(const DcIdentity& identity) {
  for (GdiBackBuffer& entry : entries_) {
    if (!entry.in_use && entry.dc && matches(entry, identity)) return &entry;
  }
  GdiBackBuffer* oldest = nullptr;
  for (GdiBackBuffer& entry : entries_) {
    if (entry.in_use) continue;
    if (entry.keyed_by_window && !IsWindow(static_cast<HWND>(entry.key))) entry.release();
    if (!entry.dc) return &entry;
    if (!oldest || entry.stamp < oldest->stamp) oldest = &entry;
  }
  return oldest;
}

bool GdiBackBufferCache::prepare(GdiBackBuffer& entry, HDC target, const DcIdentity& identity,
                                 int width, int height) {
  if (!entry.dc || !matches(entry, identity)) {
    entry.release();
    entry.dc.reset(CreateCompatibleDC(target));
    if (!entry.dc) return false;
    entry.key = identity.key;
    entry.keyed_by_window = identity.keyed_by_window;
    entry.technology = identity.technology;
    entry.planes = identity.planes;
    entry.bits_per_pixel = identity.bits_per_pixel;
  }
  if (entry.width >= width && entry.height >= height) return true;

  const int new_width = grow_back_buffer_side(entry.width, width);
  const int new_height = grow_back_buffer_side(entry.height, height);
  UniqueGdiObject bitmap(CreateCompatibleBitmap(target, new_width, new_height));
  if (!bitmap) return false;
  const HGDIOBJ previous = SelectObject(entry.dc.get(), bitmap.get());
  if (!previous || previous == HGDI_ERROR) return false;
  if (!entry.original_bitmap) entry.original_bitmap = previous;
  entry.bitmap = std::move(bitmap);  // the replaced bitmap is no longer selected
  entry.width = new_width;
  entry.height = new_height;
  return true;
}

GdiBackBuffer* GdiBackBufferCache::acquire(HDC target, int width, int height) {
  const DcIdentity identity = identify(target);
  GdiBackBuffer* entry = choose(identity);
  if (!entry || !prepare(*entry, target, identity, width, height)) return nullptr;
  entry->in_use = true;
  entry->stamp = uses_.next();
  return entry;
}

void GdiBackBufferCache::give_back(GdiBackBuffer& entry) {
  entry.in_use = false;
  entry.stamp = uses_.next();
}

GdiBackBufferCache& thread_gdi_back_buffers() { return PerThread<GdiBackBufferCache>::get(); }

}  // namespace win32_ui::modern::detail
