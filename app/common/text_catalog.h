// The product's one catalogue of display texts: every window title, button,
// hint and message, by key, in English ("en-US") and Simplified Chinese
// ("zh-CN"), and the immutable bundle built from it once per process and
// shared by the toolkit application, every window and every lookup.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "ui/platform/resource_bundle.h"

namespace quorvel::windows {

// The two UI languages the product ships. English is the bundle's default:
// the language of every tag that is not Simplified Chinese.
inline constexpr std::wstring_view kEnglishUiLanguage = L"en-US";
inline constexpr std::wstring_view kChineseUiLanguage = L"zh-CN";

// Every key once in English, in catalogue order, then every key once in
// Chinese, in the same order. Both texts of a key hold the same placeholders
// ("{0}" to "{3}") and the same line breaks.
std::vector<win32_ui::modern::ResourceEntry> build_text_catalog();

// The bundle of the whole catalogue, default locale "en-US", no parent. Built
// on the first call; every call, from any thread, returns the same bundle.
std::shared_ptr<const win32_ui::modern::ResourceBundle> text_catalog_bundle();

}  // namespace quorvel::windows
