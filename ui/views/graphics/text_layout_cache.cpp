#include "ui/views/graphics/text_layout_cache.h"

#include <algorithm>
#include <utility>

namespace win32_ui::modern::detail {
namespace {

using Microsoft::WRL::ComPtr;

HRESULT create_layout(IDWriteFactory* factory, const TextLayoutRequest& request,
                      ComPtr<IDWriteTextLayout>& out) {
  ComPtr<IDWriteTextLayout> layout;
  HRESULT hr = factory->CreateTextLayout(
      request.text.data(), static_cast<UINT32>(request.text.size()),
      request.format->format.Get(), request.max_width, request.max_height, &layout);
  if (FAILED(hr)) return hr;
  if (request.ellipsis && request.format->ellipsis) {
    const DWRITE_TRIMMING trimming = {DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    hr = layout->SetTrimming(&trimming, request.format->ellipsis.Get());
    if (FAILED(hr)) return hr;
  }
  out = std::move(layout);
  return S_OK;
}

}  // namespace

std::uint64_t TextLayoutCache::hash_of(const TextLayoutRequest& request) {
  std::uint64_t hash = hash_key(kFnvOffsetBasis, *request.key);
  hash = fnv1a(hash, &request.max_width, sizeof(request.max_width));
  hash = fnv1a(hash, &request.max_height, sizeof(request.max_height));
  hash = fnv1a(hash, &request.ellipsis, sizeof(request.ellipsis));
  return fnv1a(hash, request.text.data(), request.text.size() * sizeof(wchar_t));
}

HRESULT TextLayoutCache::layout_for(IDWriteFactory* factory, const TextLayoutRequest& request,
                                    UseCounter& uses, ComPtr<IDWriteTextLayout>& out) {
  out.Reset();
  const std::uint64_t hash = hash_of(request);
  for (Entry& entry : entries_) {
    if (entry.hash == hash && entry.max_width == request.max_width &&
        entry.max_height == request.max_height && entry.ellipsis == request.ellipsis &&
        entry.key == *request.key && entry.text == request.text) {
      entry.stamp = uses.next();
      ++hits_;
      out = entry.layout;
      return S_OK;
    }
  }

  ++misses_;
  ComPtr<IDWriteTextLayout> layout;
  const HRESULT hr = create_layout(factory, request, layout);
  if (FAILED(hr)) return hr;
  if (request.text.size() <= kMaxUnits) {
    insert(Entry{hash, request.max_width, request.max_height, request.ellipsis, *request.key,
                 std::wstring(request.text), layout, uses.next()});
  }
  out = std::move(layout);
  return S_OK;
}

void TextLayoutCache::insert(Entry entry) {
  while (!entries_.empty() && (entries_.size() >= kMaxEntries ||
                               text_units_ + entry.text.size() > kMaxUnits)) {
    const auto oldest = std::min_element(
        entries_.begin(), entries_.end(),
        [](const Entry& a, const Entry& b) { return a.stamp < b.stamp; });
    text_units_ -= oldest->text.size();
    entries_.erase(oldest);
  }
  text_units_ += entry.text.size();
  entries_.push_back(std::move(entry));
}

}  // namespace win32_ui::modern::detail
