// The texts a live stream's outcome is told with: the catalogue key of the
// streamer's failure code, and whether a live-only session that ended
// without a stream says anything at all. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel::windows {

// The key that names failure `code` (LiveStreamStatus::error); codes without
// a text of their own, the network failure 1 among them, read as a network
// failure.
std::wstring_view stream_error_key(int32_t code);

// The message of a live-only session that sent no stream: the failure's key,
// or none when the streamer ended without an error code (the user stopped
// before anything was sent).
std::optional<std::wstring_view> live_only_result_key(int32_t code);

}  // namespace quorvel::windows
