// UTF-16 to UTF-8 for the diagnostics log and narrow paths. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::windows {

// Empty for an empty input or a text Windows cannot convert.
std::string utf16_to_utf8(std::wstring_view text);

}  // namespace quorvel::windows
