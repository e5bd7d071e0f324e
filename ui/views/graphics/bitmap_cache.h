// The Direct2D bitmaps of the images one painting thread has drawn, reused
// across paints. An entry is keyed by the image's shared pixel block and
// keeps a share of it, so the block cannot be freed and its address reused
// by another image while the entry exists. Entries belong to one render
// target generation; the owner clears the cache when it drops the target.
//
// Bounded to kMaxEntries bitmaps and kMaxBytes of pixels; the least recently
// used entry goes first. A bitmap larger than kMaxBytes is made for one draw
// and not kept. Used only by the thread that owns it.
#pragma once

#include <d2d1.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/views/graphics/use_counter.h"
#include "ui/views/image.h"

namespace win32_ui::modern::detail {

class BitmapCache {
 public:
  static constexpr std::size_t kMaxEntries = 128;
  static constexpr std::uint64_t kMaxBytes = 0x4000000;

  // The bitmap of `image` on `target`, a render target of `generation`:
  // the cached one, or a new one (cached when small enough). Returns the
  // failure of creating it.
  [[nodiscard]] HRESULT bitmap_for(const ui::graphics::Image& image, ID2D1RenderTarget* target,
                                   std::uint64_t generation, UseCounter& uses,
                                   Microsoft::WRL::ComPtr<ID2D1Bitmap>& out);

  // Releases every bitmap (the render target they belong to is going).
  void clear();

  std::size_t entries() const { return entries_.size(); }
  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t hits() const { return hits_; }
  std::uint64_t misses() const { return misses_; }

 private:
  struct Entry {
    std::uint64_t generation = 0;
    const ui::graphics::Image::Data* data = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    std::uint64_t bytes = 0;
    std::uint64_t stamp = 0;
    std::shared_ptr<const ui::graphics::Image::Data> keep_alive;
    Microsoft::WRL::ComPtr<ID2D1Bitmap> bitmap;
  };

  void insert(Entry entry);
  void evict_least_recent();

  std::vector<Entry> entries_;
  std::uint64_t bytes_ = 0;
  std::uint64_t hits_ = 0;
  std::uint64_t misses_ = 0;
};

}  // namespace win32_ui::modern::detail
