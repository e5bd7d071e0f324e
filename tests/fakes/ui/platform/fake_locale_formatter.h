// A LocaleFormatter that records what it is asked and answers with a marked
// text, so tests can see which locale and options a context passes on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/platform/locale_formatter.h"

namespace win32_ui::modern::test {

class FakeLocaleFormatter final : public LocaleFormatter {
 public:
  struct NumberCall {
    std::wstring locale;
    double value;
    NumberFormatOptions options;
  };

  // Answers "<" + fallback text + ">" so the caller's use of it shows.
  std::wstring format_number(std::wstring_view locale, double value,
                             NumberFormatOptions options) const override {
    number_calls.push_back({std::wstring(locale), value, options});
    return L"<" + format_number_fallback(value, options) + L">";
  }
  std::wstring format_percent(std::wstring_view, double, NumberFormatOptions) const override {
    return {};
  }
  std::wstring format_date(std::wstring_view, DateParts, DateStyle) const override { return {}; }
  std::wstring format_time(std::wstring_view, TimeParts, TimeFormatOptions) const override {
    return {};
  }

  // Recorded through a const interface: the fake is owned by its test only.
  mutable std::vector<NumberCall> number_calls;
};

}  // namespace win32_ui::modern::test
