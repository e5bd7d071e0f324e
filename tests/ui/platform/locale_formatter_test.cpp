#include "ui/platform/locale_formatter.h"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::utf8;

TEST(FormatNumberFallbackTest, FixedNotationTrimmedToTheMinimum) {
  struct Case {
    double value;
    NumberFormatOptions options;
    std::wstring expected;
  };
  const Case cases[] = {
      {3, {0, 15, true}, L"3"},
      {2.5, {0, 15, true}, L"2.5"},
      {2.5, {2, 2, false}, L"2.50"},
      {1e20, {0, 15, true}, L"100000000000000000000"},
      {1234567.25, {0, 3, true}, L"1234567.25"},  // grouping is ignored
      {-1234.5, {0, 9, false}, L"-1234.5"},
      {0.125, {0, 2, false}, L"0.12"},   // round half to even on the exact binary value
      {0.5, {0, 0, false}, L"0"},
      {1.5, {0, 0, false}, L"2"},
      {2.0, {1, 3, false}, L"2.0"},
      {2.0, {3, 1, false}, L"2.000"},    // the maximum is raised to the minimum
      {0.1, {0, 20, false}, L"0.10000000000000000555"},
      {-0.25, {0, 1, false}, L"-0.2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_number_fallback(c.value, c.options), c.expected)
        << c.value << " (" << c.options.minimum_fraction_digits << ", "
        << c.options.maximum_fraction_digits << ") gave "
        << utf8(format_number_fallback(c.value, c.options));
  }
}

TEST(FormatNumberFallbackTest, NonFiniteValuesGiveEmptyText) {
  for (double value : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(format_number_fallback(value, {0, 15, true}), L"") << value;
  }
}

TEST(FormatNumberFallbackTest, HugeDigitCountsStayBounded) {
  constexpr std::uint32_t kHuge = std::numeric_limits<std::uint32_t>::max();
  // Beyond 1074 digits a double has nothing left but zeros.
  EXPECT_EQ(format_number_fallback(2.5, {0, kHuge, false}), L"2.5");
  const std::wstring padded = format_number_fallback(2.5, {kHuge, kHuge, false});
  EXPECT_EQ(padded.size(), 2u + 1074u);
  EXPECT_EQ(padded.substr(0, 4), L"2.50");
  EXPECT_EQ(padded.find_first_not_of(L'0', 3), std::wstring::npos);
  // The smallest subnormal needs all of them.
  const std::wstring tiny = format_number_fallback(std::numeric_limits<double>::denorm_min(),
                                                   {0, kHuge, false});
  EXPECT_EQ(tiny.size(), 2u + 1074u);
  EXPECT_EQ(tiny.back(), L'5');
}

TEST(FormatFixedTest, PrintsExactlyTheRequestedDigits) {
  EXPECT_EQ(format_fixed(-1234.5, 9), L"-1234.500000000");
  EXPECT_EQ(format_fixed(1234, 0), L"1234");
  EXPECT_EQ(format_fixed(1.7976931348623157e308, 0).size(), 309u);
  EXPECT_EQ(format_fixed(std::numeric_limits<double>::quiet_NaN(), 2), L"");
}

}  // namespace
}  // namespace win32_ui::modern
