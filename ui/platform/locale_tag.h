// Language-tag helpers shared by the catalogue lookup, the plural rules and
// the right-to-left test. Tags are compared in one canonical spelling
// ("zh_CN" and "ZH-cn" are the same language), keys never are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32_ui::modern {

// Lowercase (C runtime towlower) with '_' turned into '-'.
std::wstring normalize_locale_tag(std::wstring_view tag);

// The part before the first '-' or '_', lowercased; the whole tag when it has
// neither separator, empty for an empty tag.
std::wstring primary_language_subtag(std::wstring_view tag);

// The tags a lookup tries, most specific first: the normalised requested tag
// and each shorter prefix of it, then the same for the default tag, each
// distinct tag once. "zh-Hans-CN" with default "en-US" gives zh-hans-cn,
// zh-hans, zh, en-us, en.
std::vector<std::wstring> locale_fallback_chain(std::wstring_view requested,
                                                std::wstring_view default_tag);

}  // namespace win32_ui::modern
