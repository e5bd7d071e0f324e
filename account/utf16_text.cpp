#include "account/utf16_text.h"

#include <windows.h>

#include <climits>

namespace halvarin::sdk {

std::wstring utf8_to_wide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int bytes = static_cast<int>(text.size());
  const int units =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), bytes, out.data(),
                          units) != units) {
    return {};
  }
  return out;
}

}  // namespace halvarin::sdk
