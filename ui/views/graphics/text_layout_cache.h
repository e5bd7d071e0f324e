// The DirectWrite text layouts of one painting thread, keyed by the text,
// its format key, the box it is laid out in and the ellipsis flag. Only
// texts of at most kMaxUnits UTF-16 units are kept, at most kMaxEntries of
// them and kMaxUnits units in all; the least recently used goes first.
// Used only by the thread that owns it.
#pragma once

#include <dwrite.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/views/graphics/text_format_cache.h"
#include "ui/views/graphics/text_format_key.h"
#include "ui/views/graphics/use_counter.h"

namespace win32_ui::modern::detail {

struct TextLayoutRequest {
  const TextFormatKey* key = nullptr;
  const CachedTextFormat* format = nullptr;
  bool ellipsis = false;
  std::wstring_view text;  // at most 0xFFFFFFFF units
  float max_width = 0.0f;
  float max_height = 0.0f;
};

class TextLayoutCache {
 public:
  static constexpr std::size_t kMaxEntries = 512;
  static constexpr std::size_t kMaxUnits = 0x20000;

  // The layout of the request, made with `factory` on a miss (trimmed with
  // the format's ellipsis sign when wanted and present).
  [[nodiscard]] HRESULT layout_for(IDWriteFactory* factory, const TextLayoutRequest& request,
                                   UseCounter& uses,
                                   Microsoft::WRL::ComPtr<IDWriteTextLayout>& out);

  std::size_t entries() const { return entries_.size(); }
  std::size_t text_units() const { return text_units_; }
  std::uint64_t hits() const { return hits_; }
  std::uint64_t misses() const { return misses_; }

 private:
  struct Entry {
    std::uint64_t hash = 0;
    float max_width = 0.0f;
    float max_height = 0.0f;
    bool ellipsis = false;
    TextFormatKey key;
    std::wstring text;
    Microsoft::WRL::ComPtr<IDWriteTextLayout> layout;
    std::uint64_t stamp = 0;
  };

  static std::uint64_t hash_of(const TextLayoutRequest& request);
  void insert(Entry entry);

  std::vector<Entry> entries_;
  std::size_t text_units_ = 0;
  std::uint64_t hits_ = 0;
  std::uint64_t misses_ = 0;
};

}  // namespace win32_ui::modern::detail
