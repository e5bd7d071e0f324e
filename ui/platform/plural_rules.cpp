#include "ui/platform/plural_rules.h"

#include <cmath>
#include <optional>

namespace win32_ui::modern {
namespace {

// Integers from 2^63 up no longer fit the 64-bit arithmetic of the rules, so
// they are treated like fractions and end in the default rule.
constexpr double kTwoToThe63 = 9223372036854775808.0;

struct Integer {
  std::uint64_t i;
  std::uint64_t i10;
  std::uint64_t i100;
};

std::optional<Integer> as_integer(double n) {
  if (n >= kTwoToThe63 || std::floor(n) != n) {
    return std::nullopt;
  }
  const auto i = static_cast<std::uint64_t>(n);
  return Integer{i, i % 10, i % 100};
}

bool in_range(std::uint64_t value, std::uint64_t low, std::uint64_t high) {
  return value >= low && value <= high;
}

std::optional<PluralCategory> arabic(double n, const std::optional<Integer>& integer) {
  if (n == 0.0) return PluralCategory::kZero;
  if (n == 1.0) return PluralCategory::kOne;
  if (n == 2.0) return PluralCategory::kTwo;
  if (integer && in_range(integer->i100, 3, 10)) return PluralCategory::kFew;
  if (integer && in_range(integer->i100, 11, 99)) return PluralCategory::kMany;
  return PluralCategory::kOther;
}

std::optional<PluralCategory> east_slavic(const std::optional<Integer>& integer) {
  if (!integer) return std::nullopt;
  const Integer& v = *integer;
  if (v.i10 == 1 && v.i100 != 11) return PluralCategory::kOne;
  if (v.i10 == 1 && v.i100 == 11) return PluralCategory::kMany;
  if (in_range(v.i10, 2, 4) && !in_range(v.i100, 12, 14)) return PluralCategory::kFew;
  if (v.i10 == 0 || in_range(v.i10, 5, 9) || in_range(v.i100, 11, 14)) {
    return PluralCategory::kMany;
  }
  return std::nullopt;
}

std::optional<PluralCategory> polish(const std::optional<Integer>& integer) {
  if (!integer) return std::nullopt;
  const Integer& v = *integer;
  if (v.i == 1) return PluralCategory::kOne;
  if (in_range(v.i10, 2, 4) && !in_range(v.i100, 12, 14)) return PluralCategory::kFew;
  return PluralCategory::kMany;
}

std::optional<PluralCategory> czech_slovak(const std::optional<Integer>& integer) {
  if (!integer) return std::nullopt;
  if (integer->i == 1) return PluralCategory::kOne;
  if (in_range(integer->i, 2, 4)) return PluralCategory::kFew;
  return PluralCategory::kOther;
}

std::optional<PluralCategory> french(const std::optional<Integer>& integer) {
  if (integer && integer->i <= 1) return PluralCategory::kOne;
  return std::nullopt;
}

}  // namespace

std::wstring_view plural_category_name(PluralCategory category) {
  switch (category) {
    case PluralCategory::kZero: return L"zero";
    case PluralCategory::kOne: return L"one";
    case PluralCategory::kTwo: return L"two";
    case PluralCategory::kFew: return L"few";
    case PluralCategory::kMany: return L"many";
    default: return L"other";
  }
}

PluralCategory plural_category_for_language(std::wstring_view language, double value) {
  if (!std::isfinite(value)) {
    return PluralCategory::kOther;
  }
  const double n = std::fabs(value);
  const std::optional<Integer> integer = as_integer(n);

  std::optional<PluralCategory> category;
  if (language == L"ar") {
    category = arabic(n, integer);
  } else if (language == L"ru" || language == L"uk") {
    category = east_slavic(integer);
  } else if (language == L"pl") {
    category = polish(integer);
  } else if (language == L"cs" || language == L"sk") {
    category = czech_slovak(integer);
  } else if (language == L"fr") {
    category = french(integer);
  } else if (language == L"ja" || language == L"ko" || language == L"th" ||
             language == L"vi" || language == L"zh") {
    category = PluralCategory::kOther;
  }
  if (category) {
    return *category;
  }
  return n == 1.0 ? PluralCategory::kOne : PluralCategory::kOther;
}

}  // namespace win32_ui::modern
