// Text layouts through the calling thread's format and layout caches: the
// one road from a font, paragraph settings and a text to a DirectWrite
// layout, shared by drawing and measuring.
#pragma once

#include <dwrite.h>
#include <windows.h>
#include <wrl/client.h>

#include <string_view>

namespace win32_ui::modern::detail {

struct TextParagraph {
  HFONT font = nullptr;  // null: the default font
  DWRITE_TEXT_ALIGNMENT text_alignment = DWRITE_TEXT_ALIGNMENT_LEADING;
  DWRITE_PARAGRAPH_ALIGNMENT paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_NEAR;
  DWRITE_READING_DIRECTION reading_direction = DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
  DWRITE_WORD_WRAPPING word_wrapping = DWRITE_WORD_WRAPPING_WRAP;
  bool ellipsis = false;  // trim with an ellipsis at the end
};

// The layout of `text` (at most 0xFFFFFFFF units) in a box of at most
// max_width x max_height DIP, made with `factory` where the caches miss.
// Returns the first failure.
[[nodiscard]] HRESULT thread_text_layout(IDWriteFactory* factory, const TextParagraph& paragraph,
                                         std::wstring_view text, float max_width,
                                         float max_height,
                                         Microsoft::WRL::ComPtr<IDWriteTextLayout>& out);

}  // namespace win32_ui::modern::detail
