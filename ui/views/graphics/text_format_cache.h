// The DirectWrite text formats of one painting thread, each with the
// ellipsis trimming sign made for it once a text wanted one. At most
// kCapacity formats are kept; when full, the least recently used entry is
// overwritten. Used only by the thread that owns it.
#pragma once

#include <dwrite.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/views/graphics/text_format_key.h"
#include "ui/views/graphics/use_counter.h"

namespace win32_ui::modern::detail {

struct CachedTextFormat {
  Microsoft::WRL::ComPtr<IDWriteTextFormat> format;
  Microsoft::WRL::ComPtr<IDWriteInlineObject> ellipsis;  // null until wanted
};

class TextFormatCache {
 public:
  static constexpr std::size_t kCapacity = 64;

  // The format for `key`, with its trimming sign when `ellipsis`; made with
  // `factory` on a miss. Returns the first failure.
  [[nodiscard]] HRESULT format_for(IDWriteFactory* factory, const TextFormatKey& key,
                                   bool ellipsis, UseCounter& uses, CachedTextFormat& out);

  std::size_t entries() const { return entries_.size(); }

 private:
  struct Entry {
    TextFormatKey key;
    CachedTextFormat cached;
    std::uint64_t stamp = 0;
  };

  std::vector<Entry> entries_;
};

}  // namespace win32_ui::modern::detail
