// Measures one line of text in a font with DirectWrite, through the calling
// thread's text caches; the surface's text measurer asks it first.
#pragma once

#include <windows.h>

#include <string_view>

namespace win32_ui::modern::detail {

struct TextExtent {
  float width = 0.0f;  // including trailing white space
  float height = 0.0f;
  bool ok = false;
};

// The size of `text` laid out unwrapped in `font` (null: the default font).
// An empty text measures {0, 0, ok}; not ok when DirectWrite fails or the
// text is longer than 0xFFFFFFFF units.
TextExtent measure_text(HFONT font, std::wstring_view text);

}  // namespace win32_ui::modern::detail
