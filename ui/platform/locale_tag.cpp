#include "ui/platform/locale_tag.h"

#include <algorithm>
#include <cwctype>

namespace win32_ui::modern {
namespace {

void append_with_prefixes(std::wstring tag, std::vector<std::wstring>& chain) {
  while (!tag.empty()) {
    if (std::find(chain.begin(), chain.end(), tag) == chain.end()) {
      chain.push_back(tag);
    }
    const std::size_t dash = tag.rfind(L'-');
    if (dash == std::wstring::npos) {
      return;
    }
    tag.resize(dash);
  }
}

}  // namespace

std::wstring normalize_locale_tag(std::wstring_view tag) {
  std::wstring result(tag);
  for (wchar_t& unit : result) {
    unit = unit == L'_' ? L'-' : static_cast<wchar_t>(std::towlower(unit));
  }
  return result;
}

std::wstring primary_language_subtag(std::wstring_view tag) {
  const std::size_t end = tag.find_first_of(L"-_");
  std::wstring result(tag.substr(0, end));
  for (wchar_t& unit : result) {
    unit = static_cast<wchar_t>(std::towlower(unit));
  }
  return result;
}

std::vector<std::wstring> locale_fallback_chain(std::wstring_view requested,
                                                std::wstring_view default_tag) {
  std::vector<std::wstring> chain;
  append_with_prefixes(normalize_locale_tag(requested), chain);
  append_with_prefixes(normalize_locale_tag(default_tag), chain);
  return chain;
}

}  // namespace win32_ui::modern
