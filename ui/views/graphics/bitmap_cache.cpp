#include "ui/views/graphics/bitmap_cache.h"

#include <algorithm>
#include <utility>

namespace win32_ui::modern::detail {

using Microsoft::WRL::ComPtr;

HRESULT BitmapCache::bitmap_for(const ui::graphics::Image& image, ID2D1RenderTarget* target,
                                std::uint64_t generation, UseCounter& uses,
                                ComPtr<ID2D1Bitmap>& out) {
  out.Reset();
  const ui::graphics::Image::Data* data = image.data().get();
  for (Entry& entry : entries_) {
    if (entry.generation == generation && entry.data == data && entry.width == image.width() &&
        entry.height == image.height() && entry.stride == image.stride()) {
      entry.stamp = uses.next();
      ++hits_;
      out = entry.bitmap;
      return S_OK;
    }
  }

  ++misses_;
  const D2D1_BITMAP_PROPERTIES properties = {
      {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96.0f, 96.0f};
  ComPtr<ID2D1Bitmap> bitmap;
  const HRESULT hr = target->CreateBitmap(D2D1::SizeU(image.width(), image.height()),
                                          image.pixels().data(), image.stride(), &properties,
                                          &bitmap);
  if (FAILED(hr)) return hr;

  const std::uint64_t bytes = static_cast<std::uint64_t>(image.stride()) * image.height();
  if (bytes <= kMaxBytes) {
    insert(Entry{generation, data, image.width(), image.height(), image.stride(), bytes,
                 uses.next(), image.data(), bitmap});
  }
  out = std::move(bitmap);
  return S_OK;
}

void BitmapCache::insert(Entry entry) {
  while (!entries_.empty() &&
         (entries_.size() >= kMaxEntries || bytes_ + entry.bytes > kMaxBytes)) {
    evict_least_recent();
  }
  bytes_ += entry.bytes;
  entries_.push_back(std::move(entry));
}

void BitmapCache::evict_least_recent() {
  const auto oldest = std::min_element(
      entries_.begin(), entries_.end(),
      [](const Entry& a, const Entry& b) { return a.stamp < b.stamp; });
  bytes_ -= oldest->bytes;
  entries_.erase(oldest);
}

void BitmapCache::clear() {
  entries_.clear();
  bytes_ = 0;
}

}  // namespace win32_ui::modern::detail
