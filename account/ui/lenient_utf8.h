// UTF-8 to UTF-16 for texts the account dialogs show. Unlike the client's
// strict conversion, which refuses invalid input, a shown name or e-mail
// keeps its valid part: invalid bytes become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace halvarin::sdk::ui {

std::wstring utf8_to_wide(std::string_view text);

}  // namespace halvarin::sdk::ui
