#include "streaming/stream_target.h"

#include <string_view>

namespace quorvel::windows {
namespace {

constexpr size_t kMaxUrlUnits = 8192;

bool has_forbidden_units(std::wstring_view text) {
  if (text.size() > kMaxUrlUnits) return true;
  for (wchar_t c : text) {
    if (c <= 32 || c == L'#' || c == L'\\' || c == 127) return true;
  }
  return false;
}

// Digits only, never above 65535 while reading, not zero.
std::optional<uint16_t> parse_port(std::wstring_view text) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
    if (value > 65535) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<StreamTarget> parse_stream_target(const StreamSettings& settings) {
  const std::wstring_view url = settings.server_url;
  StreamTarget target;
  size_t authority_start = 0;
  if (url.size() >= 8 && url.starts_with(L"rtmps://")) {
    target.tls = true;
    authority_start = 8;
  } else if (url.size() >= 7 && url.starts_with(L"rtmp://")) {
    authority_start = 7;
  } else {
    return std::nullopt;
  }
  if (has_forbidden_units(url) || has_forbidden_units(settings.stream_key)) return std::nullopt;

  if (url.size() <= authority_start) return std::nullopt;
  const size_t slash = url.find(L'/', authority_start);
  if (slash == std::wstring_view::npos || slash == authority_start) return std::nullopt;
  const std::wstring_view authority = url.substr(authority_start, slash - authority_start);
  if (authority.find_first_of(L"@?%") != std::wstring_view::npos) return std::nullopt;

  target.port = target.tls ? 443 : 1935;
  std::wstring_view host;
  std::optional<std::wstring_view> port_text;
  if (authority.front() == L'[') {
    const size_t close = authority.find(L']');
    if (close == std::wstring_view::npos || close == 1) return std::nullopt;
    host = authority.substr(1, close - 1);
    const std::wstring_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != L':' || after.size() == 1) return std::nullopt;
      port_text = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(L':');
    if (colon != std::wstring_view::npos) {
      host = authority.substr(0, colon);
      port_text = authority.substr(colon + 1);
      if (port_text->empty()) return std::nullopt;
    } else {
      host = authority;
    }
  }
  if (host.empty()) return std::nullopt;
  if (port_text) {
    const auto port = parse_port(*port_text);
    if (!port) return std::nullopt;
    target.port = *port;
  }

  const std::wstring_view rest = url.substr(slash + 1);
  std::wstring_view app;
  std::wstring_view key;
  if (settings.complete_url) {
    if (!settings.stream_key.empty()) return std::nullopt;
    const std::wstring_view path = rest.substr(0, rest.find(L'?'));
    const size_t last_slash = path.rfind(L'/');
    if (path.empty() || last_slash == std::wstring_view::npos) return std::nullopt;
    app = path.substr(0, last_slash);
    key = rest.substr(last_slash + 1);
  } else {
    app = rest;
    if (app.ends_with(L'/')) app.remove_suffix(1);
    key = settings.stream_key;
  }
  if (app.empty() || key.empty()) return std::nullopt;
  if (key.front() == L'/' || key.front() == L'?' || app.front() == L'?') return std::nullopt;

  target.host.assign(host);
  target.app = to_utf8(app);
  target.key = to_utf8(key);
  // The scheme and authority convert too, or the connect URL would lose them
  // (a lone surrogate in the host).
  const std::string base = to_utf8(url.substr(0, slash + 1));
  if (target.app.empty() || target.key.empty() || base.empty()) return std::nullopt;
  target.tc_url = base + target.app;
  return target;
}

}  // namespace quorvel::windows
