// Which of the product's two UI languages to show: any language tag mapped
// onto "en-US" or "zh-CN", the user's preferred Windows UI language, and the
// choice made at start-up. Any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::windows {

// "zh-CN" for zh-CN, zh-SG, zh-Hans and zh-Hans-<region> in any letter case
// and with '-' or '_'; "en-US" for everything else, including zh alone, the
// traditional-script tags and the empty tag.
std::wstring normalize_language_tag(std::wstring_view tag);

// The first name of a language list in the form Windows writes it (each name
// ended by a NUL, the list by an empty name), normalised; "en-US" when the
// list is empty or begins with an empty name. The names after the first
// never count.
std::wstring first_preferred_language(std::wstring_view name_list);

// The user's preferred UI languages as Windows lists them (language names,
// double-NUL form); empty when Windows cannot tell.
std::wstring read_preferred_ui_languages();

// The user's first preferred Windows UI language, normalised.
std::wstring preferred_ui_language();

// The UI language at start-up: the stored choice when there is one, else the
// first name of the preferred list, each normalised.
std::wstring startup_ui_language(const std::optional<std::wstring>& stored,
                                 std::wstring_view preferred_name_list);

}  // namespace quorvel::windows
