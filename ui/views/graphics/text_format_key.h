// TextFormatKey identifies one DirectWrite text format: the font it came
// from, the family, size, weight and style read from that font, the user's
// locale and the four paragraph settings. Plain value, compared field by
// field; hashed with 64-bit FNV-1a for the text-layout cache.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace win32_ui::modern::detail {

struct TextFormatKey {
  static constexpr std::size_t kFamilyUnits = LF_FACESIZE;
  static constexpr std::size_t kLocaleUnits = LOCALE_NAME_MAX_LENGTH;

  HFONT font = nullptr;
  std::array<wchar_t, kFamilyUnits> family{};
  std::int32_t height = 0;
  std::int32_t weight = 0;
  bool italic = false;
  std::array<wchar_t, kLocaleUnits> locale{};
  std::int32_t text_alignment = 0;       // DWRITE_TEXT_ALIGNMENT
  std::int32_t paragraph_alignment = 0;  // DWRITE_PARAGRAPH_ALIGNMENT
  std::int32_t reading_direction = 0;    // DWRITE_READING_DIRECTION
  std::int32_t word_wrapping = 0;        // DWRITE_WORD_WRAPPING

  // "Segoe UI", height -12, weight 400, upright, unless `font` is given and
  // describes itself in a whole LOGFONTW: then its height, weight, italic
  // flag and face name.
  static TextFormatKey make(HFONT font, std::wstring_view locale, std::int32_t text_alignment,
                            std::int32_t paragraph_alignment, std::int32_t reading_direction,
                            std::int32_t word_wrapping);

  friend bool operator==(const TextFormatKey&, const TextFormatKey&) = default;
};

// 64-bit FNV-1a, continued from `hash` over `size` bytes.
std::uint64_t fnv1a(std::uint64_t hash, const void* bytes, std::size_t size);

inline constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;

// The FNV-1a hash of every field of the key, continued from `hash`.
std::uint64_t hash_key(std::uint64_t hash, const TextFormatKey& key);

}  // namespace win32_ui::modern::detail
