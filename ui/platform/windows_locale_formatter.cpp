#include "ui/platform/windows_locale_formatter.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace win32_ui::platform::windows {
namespace {

using win32_ui::modern::DateParts;
using win32_ui::modern::DateStyle;
using win32_ui::modern::format_fixed;
using win32_ui::modern::kLongDate;
using win32_ui::modern::LocaleFormatter;
using win32_ui::modern::NumberFormatOptions;
using win32_ui::modern::TimeFormatOptions;
using win32_ui::modern::TimeParts;

// GetNumberFormatEx shows at most nine fraction digits.
constexpr std::uint32_t kMaxFractionDigits = 9;

// An empty tag means the user's default locale, which the system functions
// take as a null name. The returned pointer lives as long as `tag`.
const wchar_t* locale_name(const std::wstring& tag) {
  return tag.empty() ? nullptr : tag.c_str();
}

std::wstring locale_string(const wchar_t* locale, LCTYPE type, std::wstring_view fallback) {
  const int size = GetLocaleInfoEx(locale, type, nullptr, 0);
  if (size > 1) {
    std::wstring value(static_cast<std::size_t>(size), L'\0');
    const int written = GetLocaleInfoEx(locale, type, value.data(), size);
    if (written > 1) {
      value.resize(static_cast<std::size_t>(written - 1));
      return value;
    }
  }
  return std::wstring(fallback);
}

UINT locale_number(const wchar_t* locale, LCTYPE type, UINT fallback) {
  wchar_t buffer[16] = {};
  if (GetLocaleInfoEx(locale, type, buffer, 16) <= 0) {
    return fallback;
  }
  buffer[15] = L'\0';
  if (buffer[0] < L'0' || buffer[0] > L'9') {
    return fallback;
  }
  UINT value = 0;
  for (const wchar_t* unit = buffer; *unit >= L'0' && *unit <= L'9'; ++unit) {
    value = value * 10 + static_cast<UINT>(*unit - L'0');
  }
  return value;
}

// NUMBERFMTW's grouping from a locale grouping string: the digits up to the
// first '0' read as one number, so "3;0" is 3 and "3;2;0" is 32.
UINT grouping_value(std::wstring_view grouping) {
  UINT value = 0;
  for (wchar_t unit : grouping) {
    if (unit == L'0') {
      break;
    }
    if (unit >= L'1' && unit <= L'9') {
      value = value * 10 + static_cast<UINT>(unit - L'0');
    }
  }
  return value;
}

// `locale` null means the user default. Empty when the value is not finite
// or the system cannot format it.
std::wstring format_number_windows(const wchar_t* locale, double value,
                                   NumberFormatOptions options) {
  if (!std::isfinite(value)) {
    return {};
  }
  const std::uint32_t minimum = std::min(options.minimum_fraction_digits, kMaxFractionDigits);
  const std::uint32_t maximum =
      std::min(std::max(options.minimum_fraction_digits, options.maximum_fraction_digits),
               kMaxFractionDigits);

  std::wstring decimal_separator = locale_string(locale, LOCALE_SDECIMAL, L".");
  std::wstring thousand_separator =
      options.grouping ? locale_string(locale, LOCALE_STHOUSAND, L",") : std::wstring();
  const std::wstring grouping = locale_string(locale, LOCALE_SGROUPING, L"3;0");

  NUMBERFMTW format = {};
  format.NumDigits = maximum;
  format.LeadingZero = locale_number(locale, LOCALE_ILZERO, 1);
  format.Grouping = options.grouping ? grouping_value(grouping) : 0;
  format.lpDecimalSep = decimal_separator.data();
  format.lpThousandSep = thousand_separator.data();
  format.NegativeOrder = locale_number(locale, LOCALE_INEGNUMBER, 1);

  const std::wstring input = format_fixed(value, maximum);
  const int size = GetNumberFormatEx(locale, 0, input.c_str(), &format, nullptr, 0);
  if (size <= 1) {
    return {};
  }
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  const int written = GetNumberFormatEx(locale, 0, input.c_str(), &format, text.data(), size);
  if (written <= 0) {
    return {};
  }
  text.resize(static_cast<std::size_t>(written - 1));

  const std::size_t separator = text.find(decimal_separator);
  if (separator != std::wstring::npos && !decimal_separator.empty()) {
    const std::size_t fraction_start = separator + decimal_separator.size();
    while (text.size() > fraction_start + minimum && text.back() == L'0') {
      text.pop_back();
    }
    if (text.size() == fraction_start) {
      text.resize(separator);
    }
  }
  return text;
}

// The published LOCALE_IPOSITIVEPERCENT layouts; '#' stands for the digits.
constexpr std::wstring_view kPositivePercentPatterns[] = {L"# %", L"#%", L"%#", L"% #"};

// The published LOCALE_INEGATIVEPERCENT layouts.
constexpr std::wstring_view kNegativePercentPatterns[] = {
    L"-# %", L"-#%", L"-%#", L"%-#", L"%#-", L"#-%",
    L"#%-",  L"-% #", L"# %-", L"% #-", L"% -#", L"#- %"};

std::wstring apply_percent_pattern(std::wstring_view pattern, std::wstring_view digits,
                                   std::wstring_view symbol) {
  std::wstring text;
  for (wchar_t unit : pattern) {
    if (unit == L'#') {
      text += digits;
    } else if (unit == L'%') {
      text += symbol;
    } else {
      text += unit;
    }
  }
  return text;
}

bool is_leap_year(std::int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int32_t days_in_month(std::int32_t year, std::int32_t month) {
  constexpr std::int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

class WindowsLocaleFormatter final : public LocaleFormatter {
 public:
  std::wstring format_number(std::wstring_view locale, double value,
                             NumberFormatOptions options) const override {
    const std::wstring tag(locale);
    std::wstring text = format_number_windows(locale_name(tag), value, options);
    if (text.empty() && !tag.empty()) {
      text = format_number_windows(nullptr, value, options);
    }
    return text;
  }

  std::wstring format_percent(std::wstring_view locale, double fraction,
                              NumberFormatOptions options) const override {
    if (!std::isfinite(fraction)) {
      return {};
    }
    const std::wstring tag(locale);
    const wchar_t* name = locale_name(tag);
    const double magnitude = std::fabs(fraction) * 100.0;
    std::wstring digits = format_number_windows(name, magnitude, options);
    if (digits.empty() && name != nullptr) {
      // The symbol and layout then come from the user default too.
      name = nullptr;
      digits = format_number_windows(name, magnitude, options);
    }
    if (digits.empty()) {
      return {};
    }
    const std::wstring symbol = locale_string(name, LOCALE_SPERCENT, L"%");
    if (fraction < 0.0) {
      const UINT pattern = locale_number(name, LOCALE_INEGATIVEPERCENT, 0);
      const std::wstring_view layout = pattern < std::size(kNegativePercentPatterns)
                                           ? kNegativePercentPatterns[pattern]
                                           : kNegativePercentPatterns[0];
      return apply_percent_pattern(layout, digits, symbol);
    }
    const UINT pattern = locale_number(name, LOCALE_IPOSITIVEPERCENT, 0);
    const std::wstring_view layout = pattern < std::size(kPositivePercentPatterns)
                                         ? kPositivePercentPatterns[pattern]
                                         : kPositivePercentPatterns[0];
    return apply_percent_pattern(layout, digits, symbol);
  }

  std::wstring format_date(std::wstring_view locale, DateParts date,
                           DateStyle style) const override {
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 ||
        date.day < 1 || date.day > 31) {
      return {};
    }
    // Some implementations of the date call roll 29 February of a common year
    // over into March instead of failing; a date that does not exist must
    // never be shown as another one.
    if (date.day > days_in_month(date.year, date.month)) {
      return {};
    }
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    const DWORD flags = style == kLongDate ? DATE_LONGDATE : DATE_SHORTDATE;

    const std::wstring tag(locale);
    return format_with_fallback(locale_name(tag), [&](const wchar_t* name, wchar_t* out, int size) {
      return GetDateFormatEx(name, flags, &time, nullptr, out, size, nullptr);
    });
  }

  std::wstring format_time(std::wstring_view locale, TimeParts parts,
                           TimeFormatOptions options) const override {
    if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 ||
        parts.second < 0 || parts.second > 59) {
      return {};
    }
    SYSTEMTIME time = {};
    time.wHour = static_cast<WORD>(parts.hour);
    time.wMinute = static_cast<WORD>(parts.minute);
    time.wSecond = static_cast<WORD>(parts.second);
    DWORD flags = 0;
    if (options.force_24_hour) {
      flags |= TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER;
    }
    if (!options.show_seconds) {
      flags |= TIME_NOSECONDS;
    }

    const std::wstring tag(locale);
    return format_with_fallback(locale_name(tag), [&](const wchar_t* name, wchar_t* out, int size) {
      return GetTimeFormatEx(name, flags, &time, nullptr, out, size);
    });
  }

 private:
  // Sizes the text for `name`, or for the user default when `name` cannot
  // format it, then formats it with whichever answered.
  template <typename Format>
  static std::wstring format_with_fallback(const wchar_t* name, Format format) {
    int size = format(name, nullptr, 0);
    if (size <= 1) {
      if (name == nullptr) {
        return {};
      }
      name = nullptr;
      size = format(name, nullptr, 0);
      if (size <= 1) {
        return {};
      }
    }
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = format(name, text.data(), size);
    if (written <= 0) {
      return {};
    }
    text.resize(static_cast<std::size_t>(written - 1));
    return text;
  }
};

}  // namespace

std::shared_ptr<const win32_ui::modern::LocaleFormatter> windows_locale_formatter() {
  static const std::shared_ptr<const LocaleFormatter> instance =
      std::make_shared<const WindowsLocaleFormatter>();
  return instance;
}

}  // namespace win32_ui::platform::windows
