#include "app/setup/monitor_display_name.h"

#include <algorithm>

#include "app/common/translate.h"

namespace quorvel::windows {

std::wstring monitor_display_name(const std::wstring& device_name, std::wstring_view locale) {
  if (device_name.empty()) return translate_for_locale(locale, L"main.current_monitor");
  constexpr std::wstring_view kDisplay = L"DISPLAY";
  const auto at = device_name.find(kDisplay);
  const std::wstring suffix =
      at == std::wstring::npos ? std::wstring() : device_name.substr(at + kDisplay.size());
  const bool digits_only = !suffix.empty() && std::all_of(suffix.begin(), suffix.end(), [](wchar_t c) {
    return c >= L'0' && c <= L'9';
  });
  if (!digits_only) return device_name;
  return translate_for_locale(locale, L"main.monitor_number", {suffix});
}

}  // namespace quorvel::windows
