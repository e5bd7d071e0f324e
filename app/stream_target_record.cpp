#include "app/stream_target_record.h"

#include <algorithm>
#include <cstring>

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

std::optional<StreamSettings> parse_stream_target_record(std::span<const BYTE> plaintext) {
  if (plaintext.size() < 8 || plaintext.size() % 2 != 0) return std::nullopt;
  const std::size_t count = plaintext.size() / 2;
  // The bytes of the unprotected buffer need not be aligned for wchar_t.
  std::wstring units(count, L'\0');
  std::memcpy(units.data(), plaintext.data(), plaintext.size());
  StreamSettings settings;
  const bool well_formed = [&] {
    if (units[0] != kFormatVersion || (units[1] != L'0' && units[1] != L'1')) return false;
    if (units[count - 1] != L'\0') return false;
    const std::size_t url_end = units.find(L'\0', 2);
    const std::size_t key_begin = std::min(url_end + 1, count - 1);
    const std::wstring_view key(units.data() + key_begin, count - 1 - key_begin);
    if (key.find(L'\0') != std::wstring_view::npos) return false;
    settings.complete_url = units[1] == L'1';
    settings.server_url.assign(units.data() + 2, url_end - 2);
    settings.stream_key.assign(key);
    return true;
  }();
  SecureZeroMemory(units.data(), units.size() * sizeof(wchar_t));
  if (!well_formed) return std::nullopt;
  return settings;
}

}  // namespace quorvel::windows
