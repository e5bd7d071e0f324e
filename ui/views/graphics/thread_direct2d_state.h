// What one painting thread keeps of Direct2D and DirectWrite between paints:
// its DC render target (rebound to each paint's device context), the flag
// that one session is drawing, the render target's generation, the bitmap,
// text-format and text-layout caches, the stamps of those caches and the
// user's locale name for text. Made on the thread's first use and released
// when the thread ends; only that thread touches it.
#pragma once

#include <d2d1.h>
#include <windows.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/views/graphics/bitmap_cache.h"
#include "ui/views/graphics/text_format_cache.h"
#include "ui/views/graphics/text_layout_cache.h"
#include "ui/views/graphics/use_counter.h"

namespace win32_ui::modern::detail {

struct ThreadRenderTarget {
  Microsoft::WRL::ComPtr<ID2D1DCRenderTarget> target;
  bool in_use = false;
  std::uint64_t generation = 0;  // counts the render targets made
  BitmapCache bitmaps;

  // Releases the cached bitmaps and the render target (after the device
  // asked for a new one); the next session makes a new target.
  void drop();
};

class ThreadDirect2dState {
 public:
  ThreadRenderTarget render_target;
  TextFormatCache formats;
  TextLayoutCache layouts;
  UseCounter uses;

  // The user's locale name, fetched on the first call; "en-US" when the
  // system cannot say.
  std::wstring_view locale();

 private:
  bool locale_fetched_ = false;
  std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> locale_{};
};

// The calling thread's state, made on its first use.
ThreadDirect2dState& thread_direct2d_state();

}  // namespace win32_ui::modern::detail
