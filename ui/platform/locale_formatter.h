// Locale-aware formatting of numbers, percentages, dates and times, as an
// interface a LocalizationContext may hold. Implementations are immutable and
// shared as std::shared_ptr<const LocaleFormatter>; they never fail loudly:
// whatever they cannot format comes back as an empty string.
//
// format_number_fallback is what a context uses when it holds no formatter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win32_ui::modern {

struct NumberFormatOptions {
  // Digits after the decimal separator that are always kept.
  std::uint32_t minimum_fraction_digits = 0;
  // Digits rendered before trailing zeros are trimmed; never fewer than the
  // minimum.
  std::uint32_t maximum_fraction_digits = 0;
  // The locale's thousands separator and digit grouping.
  bool grouping = false;
};

struct DateParts {
  std::int32_t year = 0;
  std::int32_t month = 0;  // 1-12
  std::int32_t day = 0;    // 1-31
};

// kLongDate or anything else, which means a short date.
using DateStyle = std::int32_t;
inline constexpr DateStyle kShortDate = 0;
inline constexpr DateStyle kLongDate = 1;

struct TimeParts {
  std::int32_t hour = 0;    // 0-23
  std::int32_t minute = 0;  // 0-59
  std::int32_t second = 0;  // 0-59
};

struct TimeFormatOptions {
  bool show_seconds = false;
  bool force_24_hour = false;
};

class LocaleFormatter {
 public:
  virtual ~LocaleFormatter() = default;

  virtual std::wstring format_number(std::wstring_view locale, double value,
                                     NumberFormatOptions options) const = 0;
  // `fraction` 0.25 is 25 percent.
  virtual std::wstring format_percent(std::wstring_view locale, double fraction,
                                      NumberFormatOptions options) const = 0;
  virtual std::wstring format_date(std::wstring_view locale, DateParts date,
                                   DateStyle style) const = 0;
  virtual std::wstring format_time(std::wstring_view locale, TimeParts time,
                                   TimeFormatOptions options) const = 0;
};

// Fixed notation with '.' and no grouping (the `grouping` option is ignored),
// trailing fraction zeros trimmed down to the minimum. Empty for NaN and
// infinities. 3 with (0, 15) gives "3", 2.5 with (2, 2) gives "2.50".
std::wstring format_number_fallback(double value, NumberFormatOptions options);

// Fixed notation with exactly `fraction_digits` digits after a '.', '-' for
// negatives, no grouping, independent of any locale. Empty for NaN and
// infinities.
std::wstring format_fixed(double value, std::uint32_t fraction_digits);

}  // namespace win32_ui::modern
