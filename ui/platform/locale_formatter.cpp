#include "ui/platform/locale_formatter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace win32_ui::modern {
namespace {

// The exact decimal expansion of any double ends within 1074 fraction
// digits; asking for more only appends zeros, so larger requests are cut
// here rather than building strings of billions of characters.
constexpr std::uint32_t kMaxExactFractionDigits = 1074;

// Longest integer part of a double (DBL_MAX has 309 digits) plus sign and
// point, with room to spare.
constexpr std::size_t kIntegerPartRoom = 320;

}  // namespace

std::wstring format_fixed(double value, std::uint32_t fraction_digits) {
  if (!std::isfinite(value)) {
    return {};
  }
  const std::uint32_t digits = std::min(fraction_digits, kMaxExactFractionDigits);
  std::string buffer(kIntegerPartRoom + digits, '\0');
  const std::to_chars_result result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                    std::chars_format::fixed, static_cast<int>(digits));
  if (result.ec != std::errc()) {
    return {};
  }
  return std::wstring(buffer.data(), result.ptr);
}

std::wstring format_number_fallback(double value, NumberFormatOptions options) {
  const std::uint32_t minimum = options.minimum_fraction_digits;
  const std::uint32_t maximum = std::max(minimum, options.maximum_fraction_digits);
  std::wstring text = format_fixed(value, maximum);
  if (text.empty() || minimum >= maximum) {
    return text;
  }
  const std::size_t point = text.find(L'.');
  if (point == std::wstring::npos) {
    return text;
  }
  const std::size_t kept = std::min<std::size_t>(minimum, kMaxExactFractionDigits);
  while (text.size() - point - 1 > kept && text.back() == L'0') {
    text.pop_back();
  }
  if (text.back() == L'.') {
    text.pop_back();
  }
  return text;
}

}  // namespace win32_ui::modern
