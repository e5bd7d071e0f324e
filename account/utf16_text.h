// UTF-8 to UTF-16 at the Win32 boundary: the account client's texts are
// UTF-8 and become UTF-16 only where a Windows call takes them.
#pragma once

#include <string>
#include <string_view>

namespace halvarin::sdk {

// The UTF-16 form of `text`; empty when `text` is empty or not valid UTF-8.
std::wstring utf8_to_wide(std::string_view text);

}  // namespace halvarin::sdk
