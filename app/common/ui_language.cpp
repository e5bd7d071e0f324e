#include "app/common/ui_language.h"

#include <windows.h>

#include <algorithm>

#include "app/common/text_catalog.h"
#include "ui/platform/locale_tag.h"

namespace quorvel::windows {

std::wstring normalize_language_tag(std::wstring_view tag) {
  const std::wstring folded = win32_ui::modern::normalize_locale_tag(tag);
  // Simplified script, or a region that writes it; "zh-hans-" with any
  // region or variant after it.
  const bool chinese = folded == L"zh-cn" || folded == L"zh-sg" || folded == L"zh-hans" ||
                       folded.starts_with(L"zh-hans-");
  return std::wstring(chinese ? kChineseUiLanguage : kEnglishUiLanguage);
}

std::wstring first_preferred_language(std::wstring_view name_list) {
  return normalize_language_tag(name_list.substr(0, name_list.find(L'\0')));
}

std::wstring read_preferred_ui_languages() {
  ULONG count = 0;
  ULONG length = 0;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || count == 0 ||
      length == 0) {
    return {};
  }
  std::wstring names(length, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) {
    return {};
  }
  // Keep the terminating NULs: they separate the names.
  names.resize(std::min<std::size_t>(length, names.size()));
  return names;
}

std::wstring preferred_ui_language() {
  return first_preferred_language(read_preferred_ui_languages());
}

std::wstring startup_ui_language(const std::optional<std::wstring>& stored,
                                 std::wstring_view preferred_name_list) {
  return stored ? normalize_language_tag(*stored) : first_preferred_language(preferred_name_list);
}

}  // namespace quorvel::windows
