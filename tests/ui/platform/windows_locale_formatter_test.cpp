// Runs the real national-language functions. The test harness pins the
// process locale (LANG=en_US.UTF-8, TZ=UTC), so the user default locale is
// en-US and every expectation below is that locale's or a named one's.
#include "ui/platform/windows_locale_formatter.h"

#include <windows.h>

#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "ui/platform/localization_context.h"

namespace win32_ui::platform::windows {
namespace {

using quorvel::test::utf8;
using win32_ui::modern::DateParts;
using win32_ui::modern::DateStyle;
using win32_ui::modern::kLongDate;
using win32_ui::modern::kShortDate;
using win32_ui::modern::LocaleFormatter;
using win32_ui::modern::LocalizationContext;
using win32_ui::modern::LocalizedText;
using win32_ui::modern::NumberFormatOptions;
using win32_ui::modern::ResourceBundle;
using win32_ui::modern::TimeFormatOptions;
using win32_ui::modern::TimeParts;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A well-formed tag that no locale table knows.
constexpr const wchar_t* kUnknownTag = L"zz-ZZ";

class WindowsLocaleFormatterTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    ASSERT_EQ(std::wstring(name), L"en-US") << "the tests expect the pinned en-US user locale";
  }

  const std::shared_ptr<const LocaleFormatter> formatter_ = windows_locale_formatter();
};

TEST_F(WindowsLocaleFormatterTest, IsOneSharedInstance) {
  ASSERT_NE(formatter_, nullptr);
  std::vector<const LocaleFormatter*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = windows_locale_formatter().get(); });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const LocaleFormatter* instance : seen) {
    EXPECT_EQ(instance, formatter_.get());
  }
}

TEST_F(WindowsLocaleFormatterTest, FormatsNumbersInTheRequestedLocale) {
  struct Case {
    const wchar_t* locale;
    double value;
    NumberFormatOptions options;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"en-US", 1234, {0, 15, true}, L"1,234"},
      {L"en-US", 1234.5, {0, 15, false}, L"1234.5"},
      {L"en-US", -1234.5, {0, 9, true}, L"-1,234.5"},
      {L"en-US", 0.5, {0, 3, true}, L"0.5"},
      {L"en-US", 2, {2, 2, true}, L"2.00"},
      {L"en-US", 2, {1, 0, true}, L"2.0"},  // the maximum is raised to the minimum
      // At most nine fraction digits, for the minimum as well.
      {L"en-US", 1.23456789012, {0, 15, true}, L"1.23456789"},
      {L"en-US", 2, {12, 15, true}, L"2.000000000"},
      {L"en-US", 1234567.891, {0, 0, true}, L"1,234,568"},
      {L"en-US", 1e20, {0, 15, true}, L"100,000,000,000,000,000,000"},
      {L"de-DE", 1234.5, {0, 2, true}, L"1.234,5"},
      {L"de-DE", 1234.5, {0, 2, false}, L"1234,5"},
      {L"fr-FR", 1234567.25, {0, 2, true}, L"1\u00A0234\u00A0567,25"},
      // Grouping "3;2;0": threes, then twos.
      {L"en-IN", 1234567.5, {0, 1, true}, L"12,34,567.5"},
      // Zeros that do not end the text stay: the minus follows the digits here.
      {L"fa-IR", -1234.5, {0, 2, true}, L"1,234.50-"},
      {L"fa-IR", 1234.5, {0, 2, true}, L"1,234.5"},
      // An empty tag is the user default.
      {L"", 1234.5, {0, 2, true}, L"1,234.5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatter_->format_number(c.locale, c.value, c.options), c.expected)
        << utf8(c.locale) << " " << c.value << " gave "
        << utf8(formatter_->format_number(c.locale, c.value, c.options));
  }
}

TEST_F(WindowsLocaleFormatterTest, NonFiniteValuesGiveEmptyText) {
  for (const wchar_t* locale : {L"en-US", L"de-DE", L"", kUnknownTag}) {
    for (double value : {kNaN, kInfinity, -kInfinity}) {
      EXPECT_EQ(formatter_->format_number(locale, value, {0, 2, true}), L"")
          << utf8(locale) << " " << value;
      EXPECT_EQ(formatter_->format_percent(locale, value, {0, 2, true}), L"")
          << utf8(locale) << " " << value;
    }
  }
}

TEST_F(WindowsLocaleFormatterTest, FormatsPercentagesWithTheLocalePatterns) {
  struct Case {
    const wchar_t* locale;
    double fraction;
    NumberFormatOptions options;
    std::wstring expected;
  };
  const Case cases[] = {
      // en-US: positive pattern 1 "#%", negative pattern 1 "-#%".
      {L"en-US", -0.5, {0, 0, true}, L"-50%"},
      {L"en-US", 0.25, {0, 0, true}, L"25%"},
      {L"en-US", 12.345, {0, 1, true}, L"1,234.5%"},
      {L"en-US", -0.0, {0, 0, true}, L"0%"},
      // de-DE: patterns 0, "# %" and "-# %".
      {L"de-DE", 0.125, {0, 1, true}, L"12,5 %"},
      {L"de-DE", -0.5, {0, 0, true}, L"-50 %"},
      // tr-TR: patterns 2, "%#" and "-%#".
      {L"tr-TR", 0.5, {0, 0, true}, L"%50"},
      {L"tr-TR", -0.5, {0, 0, true}, L"-%50"},
      // eu-ES: positive pattern 3 "% #", negative pattern 7 "-% #".
      {L"eu-ES", 0.5, {0, 0, true}, L"% 50"},
      {L"eu-ES", -0.125, {0, 1, true}, L"-% 12,5"},
      // The locale's own percent sign.
      {L"ar-SA", 0.5, {0, 0, true}, L"50\u066A"},
      {L"", -0.5, {0, 0, true}, L"-50%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatter_->format_percent(c.locale, c.fraction, c.options), c.expected)
        << utf8(c.locale) << " " << c.fraction << " gave "
        << utf8(formatter_->format_percent(c.locale, c.fraction, c.options));
  }
}

TEST_F(WindowsLocaleFormatterTest, FormatsDates) {
  struct Case {
    const wchar_t* locale;
    DateParts date;
    DateStyle style;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"en-US", {2026, 12, 9}, kShortDate, L"12/9/2026"},
      {L"en-US", {2026, 12, 9}, kLongDate, L"Wednesday, December 9, 2026"},
      {L"en-US", {2026, 12, 9}, 7, L"12/9/2026"},  // any other style is short
      {L"de-DE", {2026, 12, 9}, kShortDate, L"9.12.2026"},
      {L"zh-CN", {2026, 12, 9}, kShortDate, L"2026/12/9"},
      {L"", {2026, 12, 9}, kShortDate, L"12/9/2026"},
      {L"en-US", {9999, 12, 31}, kShortDate, L"12/31/9999"},
      {L"en-US", {2024, 2, 29}, kShortDate, L"2/29/2024"},
      {L"en-US", {2000, 2, 29}, kShortDate, L"2/29/2000"},
      {L"en-US", {2026, 4, 30}, kShortDate, L"4/30/2026"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatter_->format_date(c.locale, c.date, c.style), c.expected)
        << utf8(c.locale) << " " << c.date.year << "-" << c.date.month << "-" << c.date.day
        << " gave " << utf8(formatter_->format_date(c.locale, c.date, c.style));
  }
}

TEST_F(WindowsLocaleFormatterTest, InvalidDatesGiveEmptyText) {
  const DateParts invalid[] = {
      {0, 1, 1},     {10000, 1, 1}, {-1, 1, 1},  {2026, 0, 1}, {2026, 13, 1},
      {2026, 1, 0},  {2026, 1, 32}, {2026, 2, 30}, {2026, 4, 31},
      // Days past the end of February in common years, including the
      // century rule.
      {2025, 2, 29}, {1900, 2, 29}, {2100, 2, 29},
  };
  for (const wchar_t* locale : {L"en-US", L"", kUnknownTag}) {
    for (const DateParts& date : invalid) {
      for (DateStyle style : {kShortDate, kLongDate}) {
        EXPECT_EQ(formatter_->format_date(locale, date, style), L"")
            << utf8(locale) << " " << date.year << "-" << date.month << "-" << date.day;
      }
    }
  }
}

TEST_F(WindowsLocaleFormatterTest, FormatsTimesWithTheRequestedOptions) {
  struct Case {
    const wchar_t* locale;
    TimeParts time;
    TimeFormatOptions options;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"en-US", {13, 5, 9}, {false, false}, L"1:05 PM"},
      {L"en-US", {13, 5, 9}, {true, false}, L"1:05:09 PM"},
      {L"en-US", {13, 5, 9}, {false, true}, L"13:05"},
      {L"en-US", {13, 5, 9}, {true, true}, L"13:05:09"},
      {L"en-US", {0, 0, 0}, {true, false}, L"12:00:00 AM"},
      {L"en-US", {23, 59, 59}, {true, true}, L"23:59:59"},
      {L"de-DE", {13, 5, 9}, {false, false}, L"13:05"},
      {L"", {13, 5, 9}, {false, false}, L"1:05 PM"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatter_->format_time(c.locale, c.time, c.options), c.expected)
        << utf8(c.locale) << " " << c.time.hour << ":" << c.time.minute << ":" << c.time.second
        << " gave " << utf8(formatter_->format_time(c.locale, c.time, c.options));
  }
}

TEST_F(WindowsLocaleFormatterTest, InvalidTimesGiveEmptyText) {
  const TimeParts invalid[] = {{24, 0, 0}, {-1, 0, 0}, {0, 60, 0}, {0, -1, 0}, {0, 0, 60}, {0, 0, -1}};
  for (const wchar_t* locale : {L"en-US", kUnknownTag}) {
    for (const TimeParts& time : invalid) {
      EXPECT_EQ(formatter_->format_time(locale, time, {true, false}), L"")
          << utf8(locale) << " " << time.hour << ":" << time.minute << ":" << time.second;
    }
  }
}

TEST_F(WindowsLocaleFormatterTest, UnknownTagFallsBackToTheUserDefault) {
  // de-DE formats differently from the en-US user default, so a tag that is
  // honoured shows; an unknown one must look exactly like the default.
  ASSERT_EQ(formatter_->format_number(L"de-DE", 1234.5, {0, 2, true}), L"1.234,5");

  const NumberFormatOptions number_options{0, 2, true};
  EXPECT_EQ(formatter_->format_number(kUnknownTag, 1234.5, number_options), L"1,234.5");
  EXPECT_EQ(formatter_->format_number(kUnknownTag, 1234.5, number_options),
            formatter_->format_number(L"", 1234.5, number_options));

  EXPECT_EQ(formatter_->format_percent(kUnknownTag, -0.5, {0, 0, true}), L"-50%");
  EXPECT_EQ(formatter_->format_percent(kUnknownTag, 0.125, {0, 1, true}), L"12.5%");

  EXPECT_EQ(formatter_->format_date(kUnknownTag, {2026, 12, 9}, kLongDate),
            L"Wednesday, December 9, 2026");
  EXPECT_EQ(formatter_->format_date(kUnknownTag, {2026, 12, 9}, kShortDate), L"12/9/2026");

  EXPECT_EQ(formatter_->format_time(kUnknownTag, {13, 5, 9}, {true, false}), L"1:05:09 PM");

  for (const wchar_t* tag : {L"qq", L"xx-Latn-ZZ", L"not a tag"}) {
    EXPECT_EQ(formatter_->format_number(tag, 1234, {0, 15, true}), L"1,234") << utf8(tag);
  }
}

TEST_F(WindowsLocaleFormatterTest, ContextFormatsPluralCountsThroughIt) {
  LocalizationContext context(L"de-DE", nullptr);
  context.set_formatter(formatter_);
  context.set_bundle(std::make_shared<const ResourceBundle>(
      std::vector<win32_ui::modern::ResourceEntry>{{L"de", L"files.other", L"{count} Dateien"},
                                                   {L"en", L"files.other", L"{count} files"}},
      L"en-US", nullptr));
  LocalizedText text;
  text.kind = LocalizedText::kPlural;
  text.text = L"files";
  text.count = 1234.5;
  EXPECT_EQ(context.resolve(text), L"1.234,5 Dateien");
  context.set_locale(L"en-US");
  text.count = 1234;
  EXPECT_EQ(context.resolve(text), L"1,234 files");
}

}  // namespace
}  // namespace win32_ui::platform::windows
