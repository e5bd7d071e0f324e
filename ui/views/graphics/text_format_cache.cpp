#include "ui/views/graphics/text_format_cache.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace win32_ui::modern::detail {
namespace {

using Microsoft::WRL::ComPtr;

HRESULT create_format(IDWriteFactory* factory, const TextFormatKey& key,
                      ComPtr<IDWriteTextFormat>& out) {
  const std::int32_t weight = std::clamp<std::int32_t>(key.weight, 1, 999);
  // The font height is in pixels, which are DIP at the render target's 96 dpi.
  const float size = static_cast<float>(std::max<std::int64_t>(std::llabs(key.height), 1));
  ComPtr<IDWriteTextFormat> format;
  HRESULT hr = factory->CreateTextFormat(
      key.family.data(), nullptr, static_cast<DWRITE_FONT_WEIGHT>(weight),
      key.italic ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL,
      DWRITE_FONT_STRETCH_NORMAL, size, key.locale.data(), &format);
  if (FAILED(hr)) return hr;
  hr = format->SetTextAlignment(static_cast<DWRITE_TEXT_ALIGNMENT>(key.text_alignment));
  if (FAILED(hr)) return hr;
  hr = format->SetParagraphAlignment(
      static_cast<DWRITE_PARAGRAPH_ALIGNMENT>(key.paragraph_alignment));
  if (FAILED(hr)) return hr;
  hr = format->SetReadingDirection(static_cast<DWRITE_READING_DIRECTION>(key.reading_direction));
  if (FAILED(hr)) return hr;
  hr = format->SetWordWrapping(static_cast<DWRITE_WORD_WRAPPING>(key.word_wrapping));
  if (FAILED(hr)) return hr;
  out = std::move(format);
  return S_OK;
}

HRESULT create_ellipsis(IDWriteFactory* factory, IDWriteTextFormat* format,
                        ComPtr<IDWriteInlineObject>& out) {
  return factory->CreateEllipsisTrimmingSign(format, out.ReleaseAndGetAddressOf());
}

}  // namespace

HRESULT TextFormatCache::format_for(IDWriteFactory* factory, const TextFormatKey& key,
                                    bool ellipsis, UseCounter& uses, CachedTextFormat& out) {
  out = {};
  for (Entry& entry : entries_) {
    if (!(entry.key == key)) continue;
    entry.stamp = uses.next();
    if (ellipsis && !entry.cached.ellipsis) {
      const HRESULT hr = create_ellipsis(factory, entry.cached.format.Get(), entry.cached.ellipsis);
      if (FAILED(hr)) return hr;
    }
    out = entry.cached;
    return S_OK;
  }

  Entry entry{key, {}, 0};
  HRESULT hr = create_format(factory, key, entry.cached.format);
  if (FAILED(hr)) return hr;
  if (ellipsis) {
    hr = create_ellipsis(factory, entry.cached.format.Get(), entry.cached.ellipsis);
    if (FAILED(hr)) return hr;
  }
  entry.stamp = uses.next();
  out = entry.cached;
  if (entries_.size() >= kCapacity) {
    *std::min_element(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
      return a.stamp < b.stamp;
    }) = std::move(entry);
  } else {
    entries_.push_back(std::move(entry));
  }
  return S_OK;
}

}  // namespace win32_ui::modern::detail
