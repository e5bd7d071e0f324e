#include "account/ui/lenient_utf8.h"

#include <windows.h>

#include <climits>

namespace halvarin::sdk::ui {

std::wstring utf8_to_wide(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  const int written = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
  if (written <= 0) return {};
  wide.resize(static_cast<size_t>(written));
  return wide;
}

}  // namespace halvarin::sdk::ui
