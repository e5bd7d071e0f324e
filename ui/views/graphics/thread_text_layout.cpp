#include "ui/views/graphics/thread_text_layout.h"

#include "ui/views/graphics/text_format_key.h"
#include "ui/views/graphics/thread_direct2d_state.h"

namespace win32_ui::modern::detail {

HRESULT thread_text_layout(IDWriteFactory* factory, const TextParagraph& paragraph,
                           std::wstring_view text, float max_width, float max_height,
                           Microsoft::WRL::ComPtr<IDWriteTextLayout>& out) {
  out.Reset();
  ThreadDirect2dState& state = thread_direct2d_state();
  const TextFormatKey key = TextFormatKey::make(
      paragraph.font, state.locale(), paragraph.text_alignment, paragraph.paragraph_alignment,
      paragraph.reading_direction, paragraph.word_wrapping);
  CachedTextFormat format;
  const HRESULT hr = state.formats.format_for(factory, key, paragraph.ellipsis, state.uses, format);
  if (FAILED(hr)) return hr;
  const TextLayoutRequest request{&key, &format, paragraph.ellipsis, text, max_width, max_height};
  return state.layouts.layout_for(factory, request, state.uses, out);
}

}  // namespace win32_ui::modern::detail
