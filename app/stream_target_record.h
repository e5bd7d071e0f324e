// The plaintext layout of the stored live target, which the registry keeps
// only in protected form: UTF-16LE units "1" (format), "1"/"0" (complete-URL
// flag), the server URL, U+0000, the stream key, U+0000. Pure functions with
// no platform calls: the record comes back from the registry, where any
// program of the user may have changed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/stream_settings.h"

namespace quorvel::windows {

// The longest URL and key the record holds, in UTF-16 units.
inline constexpr std::size_t kStreamTargetMaxUnits = 8192;

// A URL and key no longer than kStreamTargetMaxUnits and free of U+0000.
bool is_storable_stream_target(const StreamSettings& settings);

// The record of a storable target. The caller wipes it once it is protected.
std::wstring make_stream_target_record(const StreamSettings& settings);

// The target in a plaintext record; empty when the bytes are not a
// well-formed record (odd or short length, another format, a flag other
// than "0"/"1", no closing U+0000, or a U+0000 inside the key).
std::optional<StreamSettings> parse_stream_target_record(std::span<const uint8_t> plaintext);

}  // namespace quorvel::windows
