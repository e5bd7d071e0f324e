#include "ui/views/graphics/text_format_key.h"

#include <algorithm>

namespace win32_ui::modern::detail {
namespace {

template <std::size_t N>
void copy_text(std::array<wchar_t, N>& to, std::wstring_view from) {
  to.fill(L'\0');
  const std::size_t units = std::min(from.size(), N - 1);
  std::copy_n(from.begin(), units, to.begin());
}

template <typename T>
std::uint64_t hash_value(std::uint64_t hash, const T& value) {
  return fnv1a(hash, &value, sizeof(value));
}

}  // namespace

TextFormatKey TextFormatKey::make(HFONT font, std::wstring_view locale,
                                  std::int32_t text_alignment,
                                  std::int32_t paragraph_alignment,
                                  std::int32_t reading_direction, std::int32_t word_wrapping) {
  TextFormatKey key;
  key.font = font;
  copy_text(key.family, L"Segoe UI");
  key.height = -12;
  key.weight = FW_NORMAL;
  LOGFONTW logfont{};
  if (font && GetObjectW(font, sizeof(logfont), &logfont) == sizeof(logfont)) {
    key.height = logfont.lfHeight;
    key.weight = logfont.lfWeight;
    key.italic = logfont.lfItalic != 0;
    copy_text(key.family, std::wstring_view(logfont.lfFaceName,
                                            wcsnlen(logfont.lfFaceName, LF_FACESIZE)));
  }
  copy_text(key.locale, locale);
  key.text_alignment = text_alignment;
  key.paragraph_alignment = paragraph_alignment;
  key.reading_direction = reading_direction;
  key.word_wrapping = word_wrapping;
  return key;
}

std::uint64_t fnv1a(std::uint64_t hash, const void* bytes, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::uint64_t hash_key(std::uint64_t hash, const TextFormatKey& key) {
  hash = hash_value(hash, key.font);
  hash = fnv1a(hash, key.family.data(), sizeof(key.family));
  hash = hash_value(hash, key.height);
  hash = hash_value(hash, key.weight);
  hash = hash_value(hash, key.italic);
  hash = fnv1a(hash, key.locale.data(), sizeof(key.locale));
  hash = hash_value(hash, key.text_alignment);
  hash = hash_value(hash, key.paragraph_alignment);
  hash = hash_value(hash, key.reading_direction);
  return hash_value(hash, key.word_wrapping);
}

}  // namespace win32_ui::modern::detail
