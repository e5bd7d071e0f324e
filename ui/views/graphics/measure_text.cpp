#include "ui/views/graphics/measure_text.h"

#include <dwrite.h>
#include <wrl/client.h>

#include <cstdint>

#include "ui/views/graphics/direct2d_factories.h"
#include "ui/views/graphics/thread_text_layout.h"

namespace win32_ui::modern::detail {

TextExtent measure_text(HFONT font, std::wstring_view text) {
  constexpr float kUnbounded = 1000000.0f;
  if (text.empty()) return {0.0f, 0.0f, true};
  if (text.size() > 0xFFFFFFFFull) return {};
  IDWriteFactory* factory = dwrite_factory();
  if (!factory) return {};

  TextParagraph paragraph;
  paragraph.font = font;
  paragraph.text_alignment = DWRITE_TEXT_ALIGNMENT_LEADING;
  paragraph.paragraph_alignment = DWRITE_PARAGRAPH_ALIGNMENT_CENTER;
  paragraph.reading_direction = DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
  paragraph.word_wrapping = DWRITE_WORD_WRAPPING_NO_WRAP;
  Microsoft::WRL::ComPtr<IDWriteTextLayout> layout;
  if (FAILED(thread_text_layout(factory, paragraph, text, kUnbounded, kUnbounded, layout))) {
    return {};
  }
  DWRITE_TEXT_METRICS metrics{};
  if (FAILED(layout->GetMetrics(&metrics))) return {};
  return {metrics.widthIncludingTrailingWhitespace, metrics.height, true};
}

}  // namespace win32_ui::modern::detail
