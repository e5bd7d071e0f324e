#include "ui/views/widgets/widget_text.h"

#include <cstdint>

namespace win32_ui::modern {
namespace {

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Ideographs, Hangul and full-width forms take a full em.
bool is_wide(wchar_t unit) {
  return (unit >= 0x2E80 && unit <= 0xA4CF) || (unit >= 0xAC00 && unit <= 0xD7FF) ||
         (unit >= 0xF900 && unit <= 0xFAFF) || (unit >= 0xFE10 && unit <= 0xFE6F) ||
         (unit >= 0xFF01 && unit <= 0xFF60);
}

float ascii_width(wchar_t unit) {
  if (unit == L' ') return 3.5f;
  if (unit == L'%' || unit == L'@' || unit == L'M' || unit == L'W') return 11.5f;
  return 8.0f;
}

}  // namespace

float estimated_line_height(int text_style) {
  switch (text_style) {
    case 0: return 32.0f;
    case 1: return 24.0f;
    case 3: return 14.0f;
    case 5: return 20.0f;
    default: return 18.0f;
  }
}

float estimated_width_factor(int text_style) {
  switch (text_style) {
    case 0: return 1.7f;
    case 1: return 1.25f;
    case 3: return 0.84f;
    case 5: return 1.08f;
    default: return 1.0f;
  }
}

layout::Size estimate_widget_text(std::wstring_view text, int text_style) {
  float sum = 0.0f;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t unit = text[i];
    if (is_high_surrogate(unit) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      sum += 12.0f;
      ++i;
    } else if (unit < 0x80) {
      sum += ascii_width(unit);
    } else if (is_wide(unit)) {
      sum += 12.0f;
    } else {
      sum += 8.0f;
    }
  }
  return {sum * estimated_width_factor(text_style), estimated_line_height(text_style)};
}

layout::Size measure_widget_text(std::wstring_view text, int text_style,
                                 const layout::LayoutContext& context) {
  if (context.text_measurer != nullptr) {
    const auto font = static_cast<std::uint32_t>(text_style + 1);
    if (const auto size = context.text_measurer->measure(text.data(), text.size(), font)) {
      return *size;
    }
  }
  return estimate_widget_text(text, text_style);
}

}  // namespace win32_ui::modern
