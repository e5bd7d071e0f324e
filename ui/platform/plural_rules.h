// Which plural form a number takes in a language: a small built-in rule
// table keyed by the primary language subtag, enough for the languages the
// program and its catalogues care about. Stateless; callable from any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace win32_ui::modern {

// Values outside kZero..kMany behave as kOther.
enum class PluralCategory : std::int32_t {
  kZero = 0,
  kOne = 1,
  kTwo = 2,
  kFew = 3,
  kMany = 4,
  kOther = 5,
};

// The catalogue key suffix of a category: "zero", "one", "two", "few",
// "many" or "other".
std::wstring_view plural_category_name(PluralCategory category);

// The category of `value` in the language whose primary subtag (lowercase,
// e.g. "ru") is `language`. The sign is ignored; NaN and infinities are
// kOther everywhere.
PluralCategory plural_category_for_language(std::wstring_view language, double value);

}  // namespace win32_ui::modern
