#include "app/stream_target_record.h"

#include <algorithm>

namespace quorvel::windows {
namespace {

constexpr wchar_t kFormatVersion = L'1';

bool fits_record(const std::wstring& text) {
  return text.size() <= kStreamTargetMaxUnits && text.find(L'\0') == std::wstring::npos;
}

}  // namespace

bool is_storable_stream_target(const StreamSettings& settings) {
  return fits_record(settings.server_url) && fits_record(settings.stream_key);
}

std::wstring make_stream_target_record(const StreamSettings& settings) {
  std::wstring record;
  // One allocation of the final size, so no copy of the secret is left
  // behind in a buffer the string outgrew.
  record.reserve(4 + settings.server_url.size() + settings.stream_key.size());
  record += kFormatVersion;
  record += settings.complete_url ? L'1' : L'0';
  record += settings.server_url;
  record += L'\0';
  record += settings.stream_key;
  record += L'\0';
  return record;
}

std::optional<StreamSettings> parse_stream_target_record(std::span<const uint8_t> plaintext) {
  if (plaintext.size() < 8 || plaintext.size() % 2 != 0) return std::nullopt;
  const std::size_t count = plaintext.size() / 2;
  // Read unit by unit from the caller's buffer (which need not be aligned
  // for wchar_t), so that no second copy of the secret is left to wipe.
  const auto unit = [&](std::size_t index) {
    return static_cast<wchar_t>(plaintext[2 * index] | (plaintext[2 * index + 1] << 8));
  };
  const auto find_zero = [&](std::size_t from) {
    while (unit(from) != L'\0') ++from;
    return from;
  };
  if (unit(0) != kFormatVersion || (unit(1) != L'0' && unit(1) != L'1')) return std::nullopt;
  if (unit(count - 1) != L'\0') return std::nullopt;
  const std::size_t url_end = find_zero(2);
  const std::size_t key_begin = std::min(url_end + 1, count - 1);
  if (find_zero(key_begin) != count - 1) return std::nullopt;

  StreamSettings settings;
  settings.complete_url = unit(1) == L'1';
  // One allocation of the final size each: no outgrown buffer keeps a copy.
  settings.server_url.reserve(url_end - 2);
  for (std::size_t i = 2; i < url_end; ++i) settings.server_url += unit(i);
  settings.stream_key.reserve(count - 1 - key_begin);
  for (std::size_t i = key_begin; i < count - 1; ++i) settings.stream_key += unit(i);
  return settings;
}

}  // namespace quorvel::windows
