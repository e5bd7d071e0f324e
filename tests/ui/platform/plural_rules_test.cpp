#include "ui/platform/plural_rules.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::utf8;

constexpr PluralCategory kZero = PluralCategory::kZero;
constexpr PluralCategory kOne = PluralCategory::kOne;
constexpr PluralCategory kTwo = PluralCategory::kTwo;
constexpr PluralCategory kFew = PluralCategory::kFew;
constexpr PluralCategory kMany = PluralCategory::kMany;
constexpr PluralCategory kOther = PluralCategory::kOther;

struct PluralCase {
  const wchar_t* language;
  double value;
  PluralCategory expected;
};

TEST(PluralRulesTest, ChoosesTheCategoryOfEachLanguage) {
  const PluralCase cases[] = {
      // East Slavic: every integer has a form of its own, fractions are other.
      {L"ru", 1, kOne}, {L"ru", 21, kOne}, {L"ru", 101, kOne},
      {L"ru", 11, kMany}, {L"ru", 111, kMany},
      {L"ru", 2, kFew}, {L"ru", 3, kFew}, {L"ru", 4, kFew}, {L"ru", 22, kFew},
      {L"ru", 12, kMany}, {L"ru", 13, kMany}, {L"ru", 14, kMany},
      {L"ru", 0, kMany}, {L"ru", 5, kMany}, {L"ru", 20, kMany}, {L"ru", 25, kMany},
      {L"ru", 1.5, kOther},
      {L"uk", 1, kOne}, {L"uk", 11, kMany}, {L"uk", 22, kFew}, {L"uk", 1.5, kOther},
      // Polish.
      {L"pl", 1, kOne}, {L"pl", 2, kFew}, {L"pl", 3, kFew}, {L"pl", 4, kFew},
      // The teens end in 2 to 4 yet are many; 22 is few again.
      {L"pl", 12, kMany}, {L"pl", 13, kMany}, {L"pl", 14, kMany}, {L"pl", 22, kFew},
      {L"pl", 21, kMany}, {L"pl", 0, kMany}, {L"pl", 5, kMany},
      {L"pl", 2.5, kOther},
      // 1e19 is an integer in value but past 2^63: not counted as one.
      {L"pl", 1e19, kOther},
      {L"pl", 9223372036854774784.0, kFew},  // largest double below 2^63, ends in 84
      // Czech and Slovak.
      {L"cs", 1, kOne}, {L"cs", 2, kFew}, {L"cs", 4, kFew},
      {L"cs", 0, kOther}, {L"cs", 5, kOther}, {L"cs", 22, kOther},
      {L"sk", 1, kOne}, {L"sk", 3, kFew}, {L"sk", 22, kOther},
      // Arabic is decided wholly by its own rows.
      {L"ar", 0, kZero}, {L"ar", 1, kOne}, {L"ar", 2, kTwo},
      {L"ar", 3, kFew}, {L"ar", 10, kFew}, {L"ar", 103, kFew},
      {L"ar", 11, kMany}, {L"ar", 99, kMany}, {L"ar", 111, kMany},
      {L"ar", 100, kOther}, {L"ar", 102, kOther}, {L"ar", 0.5, kOther},
      {L"ar", 1.5, kOther},
      // French counts 0 and 1 as one, fractions fall to the default.
      {L"fr", 0, kOne}, {L"fr", 1, kOne}, {L"fr", 1.5, kOther}, {L"fr", 2, kOther},
      // No plural forms.
      {L"zh", 1, kOther}, {L"ja", 1, kOther}, {L"ko", 1, kOther},
      {L"th", 1, kOther}, {L"vi", 1, kOther},
      // Default rule: exactly 1 is one; the sign is ignored.
      {L"en", 1, kOne}, {L"en", -1, kOne}, {L"en", 0, kOther},
      {L"en", 1.0000001, kOther}, {L"en", 2, kOther},
      {L"", 1, kOne}, {L"de", 1, kOne},
      {L"ru", -21, kOne}, {L"ar", -2, kTwo},
  };
  for (const PluralCase& c : cases) {
    EXPECT_EQ(plural_category_for_language(c.language, c.value), c.expected)
        << utf8(c.language) << " " << c.value;
  }
}

TEST(PluralRulesTest, NonFiniteValuesAreOtherInEveryLanguage) {
  const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  for (const wchar_t* language : {L"en", L"ar", L"ru", L"pl", L"cs", L"fr", L"zh"}) {
    for (double value : values) {
      EXPECT_EQ(plural_category_for_language(language, value), kOther)
          << utf8(language) << " " << value;
    }
  }
}

TEST(PluralRulesTest, NamesCategoriesAndTreatsUnknownValuesAsOther) {
  EXPECT_EQ(plural_category_name(kZero), L"zero");
  EXPECT_EQ(plural_category_name(kOne), L"one");
  EXPECT_EQ(plural_category_name(kTwo), L"two");
  EXPECT_EQ(plural_category_name(kFew), L"few");
  EXPECT_EQ(plural_category_name(kMany), L"many");
  EXPECT_EQ(plural_category_name(kOther), L"other");
  EXPECT_EQ(plural_category_name(static_cast<PluralCategory>(-1)), L"other");
  EXPECT_EQ(plural_category_name(static_cast<PluralCategory>(6)), L"other");
}

}  // namespace
}  // namespace win32_ui::modern
