// The live endpoint parsed from the user's stream settings: what the
// connection resolves, connects to and publishes on. A plain value, copied
// freely; the streaming thread keeps its own copy.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/stream_settings.h"

namespace quorvel::windows {

struct StreamTarget {
  std::wstring host;   // name or address literal, IPv6 without brackets
  uint16_t port = 1935;
  bool tls = false;
  std::string app;     // UTF-8, may hold '/' and a query
  std::string key;     // UTF-8 publishing name
  std::string tc_url;  // UTF-8 connect URL
};

// Empty when the settings cannot be published to; no reason is given because
// the application shows one message for every fault.
std::optional<StreamTarget> parse_stream_target(const StreamSettings& settings);

// UTF-16 to UTF-8; empty for empty or invalid input (lone surrogates).
std::string to_utf8(std::span<const wchar_t> text);

}  // namespace quorvel::windows
