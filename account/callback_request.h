// What the loopback listener reads of the browser's request: when to stop
// reading and which request target the request line names. Pure functions
// with no Windows calls, so they can be fed any bytes a local process sends.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace halvarin::sdk {

// Reading stops once this many bytes are buffered; one more read may add up
// to kCallbackReadBytes.
inline constexpr size_t kMaxCallbackRequestBytes = 16384;
inline constexpr size_t kCallbackReadBytes = 2048;

// True when nothing more needs to be read: the head's blank line has come or
// the buffer has reached kMaxCallbackRequestBytes.
bool callback_request_complete(std::string_view buffered);

// The request target of a "GET <target> <version>" request line: the text
// between the first space and the next one on the first line. Empty optional
// when the request is malformed: under 4 bytes, not beginning with "GET ",
// or no second space before the line ends.
std::optional<std::string_view> callback_request_target(std::string_view request);

}  // namespace halvarin::sdk
