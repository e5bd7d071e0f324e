#include "ui/platform/localization_context.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/ui/platform/fake_locale_formatter.h"
#include "tests/support/test_support.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::utf8;
using test::FakeLocaleFormatter;

std::shared_ptr<const ResourceBundle> make_bundle(std::vector<ResourceEntry> rows,
                                                  std::wstring default_locale = L"en-US") {
  return std::make_shared<const ResourceBundle>(std::move(rows), std::move(default_locale),
                                                nullptr);
}

LocalizedText plural(std::wstring key, double count) {
  LocalizedText text;
  text.kind = LocalizedText::kPlural;
  text.text = std::move(key);
  text.count = count;
  return text;
}

LocalizedText with_args(std::wstring text, std::vector<std::wstring> args) {
  LocalizedText result = LocalizedText::from_text(std::move(text));
  result.args = std::move(args);
  return result;
}

TEST(LocalizationContextTest, StartsAtRevisionOneWithoutBundleOrFormatter) {
  const LocalizationContext context(L"zh-CN", nullptr);
  EXPECT_EQ(context.revision(), 1u);
  EXPECT_EQ(context.locale(), L"zh-CN");
  EXPECT_EQ(context.bundle(), nullptr);
  EXPECT_FALSE(context.has_formatter());
}

TEST(LocalizationContextTest, RaisesTheRevisionOnlyForRealChanges) {
  LocalizationContext context(L"en-US", nullptr);
  const auto bundle = make_bundle({});
  const auto formatter = std::make_shared<const FakeLocaleFormatter>();

  context.set_locale(L"en-US");
  EXPECT_EQ(context.revision(), 1u) << "same tag";
  context.set_locale(L"en-us");
  EXPECT_EQ(context.revision(), 2u) << "tags compare case-sensitively";
  EXPECT_EQ(context.locale(), L"en-us") << "stored unchanged";

  context.set_bundle(bundle);
  EXPECT_EQ(context.revision(), 3u);
  context.set_bundle(bundle);
  EXPECT_EQ(context.revision(), 3u) << "same bundle pointer";
  EXPECT_EQ(context.bundle(), bundle);
  // A bundle with the same contents is still another catalogue.
  context.set_bundle(make_bundle({}));
  EXPECT_EQ(context.revision(), 4u);
  context.set_bundle(nullptr);
  EXPECT_EQ(context.revision(), 5u);

  context.set_formatter(formatter);
  EXPECT_EQ(context.revision(), 6u);
  EXPECT_TRUE(context.has_formatter());
  EXPECT_EQ(context.formatter(), formatter);
  context.set_formatter(formatter);
  EXPECT_EQ(context.revision(), 6u) << "same formatter pointer";

  const auto fallback = [](std::wstring_view) { return std::wstring(L"f"); };
  context.set_fallback(fallback);
  EXPECT_EQ(context.revision(), 7u);
  context.set_fallback(fallback);
  EXPECT_EQ(context.revision(), 8u) << "functions cannot be compared";
}

TEST(LocalizationContextTest, MoveKeepsEveryMemberAndTheRevision) {
  LocalizationContext source(L"fr-FR", [](std::wstring_view key) {
    return L"fallback:" + std::wstring(key);
  });
  const auto bundle = make_bundle({{L"fr", L"k", L"texte"}});
  source.set_bundle(bundle);
  source.set_locale(L"fr-CA");

  LocalizationContext target(L"en-US", nullptr);
  target = std::move(source);
  EXPECT_EQ(target.revision(), 3u);
  EXPECT_EQ(target.locale(), L"fr-CA");
  EXPECT_EQ(target.bundle(), bundle);
  EXPECT_EQ(target.resolve(LocalizedText::from_key(L"k", {})), L"texte");
  EXPECT_EQ(target.resolve(LocalizedText::from_key(L"missing", {})), L"fallback:missing");
}

TEST(LocalizationContextTest, ResolvesKeysThroughBundleFallbackAndKey) {
  const auto bundle = make_bundle({
      {L"en", L"greeting", L"Hello"},
      {L"fr", L"greeting", L"Bonjour"},
      {L"en-US", L"greeting", L"Hi"},
      {L"en", L"only.en", L"English only"},
      {L"zh-CN", L"window.title", L"标题"},
  });
  const auto echo_fallback = [](std::wstring_view key) { return L"[" + std::wstring(key) + L"]"; };

  struct Case {
    const wchar_t* name;
    std::wstring locale;
    bool with_bundle;
    bool with_fallback;
    LocalizedText text;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"literal text is shown unchanged", L"fr-FR", true, true,
       LocalizedText::from_text(L"greeting"), L"greeting"},
      {L"requested language wins over the default", L"fr-CA", true, true,
       LocalizedText::from_key(L"greeting", {}), L"Bonjour"},
      {L"a zh-CN context reaches a key present only under en", L"zh-CN", true, false,
       LocalizedText::from_key(L"only.en", {}), L"English only"},
      {L"tags match in any spelling", L"ZH_cn", true, false,
       LocalizedText::from_key(L"window.title", {}), L"标题"},
      {L"a miss goes to the fallback", L"en-US", true, true,
       LocalizedText::from_key(L"window.settings", {}), L"[window.settings]"},
      {L"a key missing everywhere shows as the key", L"en-US", true, false,
       LocalizedText::from_key(L"window.settings", {}), L"window.settings"},
      {L"no bundle and no fallback shows the key", L"en-US", false, false,
       LocalizedText::from_key(L"greeting", {}), L"greeting"},
      {L"no bundle goes to the fallback", L"en-US", false, true,
       LocalizedText::from_key(L"greeting", {}), L"[greeting]"},
      {L"an unknown kind resolves like a key", L"en-US", true, false,
       [] {
         LocalizedText text = LocalizedText::from_key(L"greeting", {});
         text.kind = 7;
         return text;
       }(),
       L"Hi"},
  };
  for (const Case& c : cases) {
    LocalizationContext context(c.locale, c.with_fallback ? LocalizationContext::Fallback(echo_fallback)
                                                          : LocalizationContext::Fallback());
    if (c.with_bundle) {
      context.set_bundle(bundle);
    }
    EXPECT_EQ(context.resolve(c.text), c.expected) << utf8(c.name);
  }
}

TEST(LocalizationContextTest, ReplacesPlaceholdersOneArgumentAtATime) {
  struct Case {
    std::wstring text;
    std::vector<std::wstring> args;
    std::wstring expected;
  };
  const Case cases[] = {
      // Text inserted for {0} is scanned again for {1}.
      {L"{0}-{1}", {L"{1}", L"x"}, L"x-x"},
      {L"{0}{0}", {L"a"}, L"aa"},
      {L"{0} of {1}, {2}", {L"a", L"b"}, L"a of b, {2}"},
      // An argument is never rescanned for its own placeholder.
      {L"{0}", {L"{0}{0}"}, L"{0}{0}"},
      // Text inserted for {1} is not scanned for {0} again.
      {L"{1}", {L"zero", L"{0}"}, L"{0}"},
      // {1} does not match inside {10}.
      {L"{10}|{1}", {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"ten"},
       L"ten|1"},
      {L"{ 0}{0 }{{0}}", {L"v"}, L"{ 0}{0 }{v}"},
      {L"{0}", {L""}, L""},
      {L"no placeholders", {L"a"}, L"no placeholders"},
      {L"<{0}>", {L"&amp; \"raw\""}, L"<&amp; \"raw\">"},
  };
  const LocalizationContext context(L"en-US", nullptr);
  for (const Case& c : cases) {
    EXPECT_EQ(context.resolve(with_args(c.text, c.args)), c.expected) << utf8(c.text);
  }
}

TEST(LocalizationContextTest, ReplacesArgumentsInCatalogueTexts) {
  LocalizationContext context(L"en-US", nullptr);
  context.set_bundle(make_bundle({{L"en", L"saved", L"Saved {0} to {1}"}}));
  EXPECT_EQ(context.resolve(LocalizedText::from_key(L"saved", {L"a.png", L"C:\\Pictures"})),
            L"Saved a.png to C:\\Pictures");
}

TEST(LocalizationContextTest, ResolvesPluralTexts) {
  const auto bundle = make_bundle({
      {L"en", L"files.one", L"{count} file"},
      {L"en", L"files.other", L"{count} files"},
      {L"ru", L"files.one", L"{count} файл"},
      {L"ru", L"files.few", L"{count} файла"},
      {L"ru", L"files.many", L"{count} файлов"},
      {L"ru", L"files.other", L"{count} файла (дробь)"},
      {L"en", L"plain", L"no count here"},
  });
  struct Case {
    std::wstring locale;
    std::wstring key;
    double count;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"en-US", L"files", 1, L"1 file"},
      {L"en-US", L"files", -1, L"-1 file"},
      {L"en-US", L"files", 0, L"0 files"},
      {L"en-US", L"files", 2.5, L"2.5 files"},
      {L"en-US", L"files", 1234, L"1234 files"},
      {L"ru-RU", L"files", 21, L"21 файл"},
      {L"ru-RU", L"files", 22, L"22 файла"},
      {L"ru-RU", L"files", 111, L"111 файлов"},
      {L"ru-RU", L"files", 1.5, L"1.5 файла (дробь)"},
      {L"en-US", L"plain", 3, L"no count here"},
      // No row and no fallback: the bare key, with a "{count}" replaced.
      {L"en-US", L"missing", 3, L"missing"},
      {L"en-US", L"missing {count}", 3, L"missing 3"},
      // A non-finite count is other and formats as nothing.
      {L"en-US", L"files", std::numeric_limits<double>::quiet_NaN(), L" files"},
      {L"en-US", L"files", std::numeric_limits<double>::infinity(), L" files"},
  };
  for (const Case& c : cases) {
    LocalizationContext context(c.locale, nullptr);
    context.set_bundle(bundle);
    EXPECT_EQ(context.resolve(plural(c.key, c.count)), c.expected)
        << utf8(c.locale) << " " << utf8(c.key) << " " << c.count;
  }
}

TEST(LocalizationContextTest, PluralCountIsReplacedBeforeTheArguments) {
  LocalizationContext context(L"en-US", nullptr);
  context.set_bundle(make_bundle({{L"en", L"saved.other", L"{count} files in {0}"},
                                  {L"en", L"echo.other", L"{0}: {count}"}}));
  LocalizedText saved = plural(L"saved", 3);
  saved.args = {L"C:\\Videos"};
  EXPECT_EQ(context.resolve(saved), L"3 files in C:\\Videos");

  // An argument that looks like the count placeholder arrives after the
  // count was replaced and is inserted verbatim.
  LocalizedText echo = plural(L"echo", 4);
  echo.args = {L"{count}"};
  EXPECT_EQ(context.resolve(echo), L"{count}: 4");
}

TEST(LocalizationContextTest, PluralPrefersALocaleSpecificOtherOverAShorterTagsExactForm) {
  LocalizationContext context(L"en-US", nullptr);
  context.set_bundle(make_bundle({{L"en", L"files.one", L"one under en"},
                                  {L"en-us", L"files.other", L"other under en-us"}}));
  EXPECT_EQ(context.resolve(plural(L"files", 1)), L"other under en-us");
}

TEST(LocalizationContextTest, PluralMissAsksTheFallbackWithTheCategorySuffix) {
  std::vector<std::wstring> asked;
  LocalizationContext context(L"ar-EG", [&asked](std::wstring_view key) {
    asked.emplace_back(key);
    return std::wstring(L"{count} from fallback");
  });
  context.set_bundle(make_bundle({{L"en", L"other.key", L"x"}}));
  EXPECT_EQ(context.resolve(plural(L"files", 2)), L"2 from fallback");
  EXPECT_EQ(context.resolve(plural(L"files", 100)), L"100 from fallback");
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"files.two", L"files.other"}));
}

TEST(LocalizationContextTest, CountScanContinuesAfterTheInsertedNumber) {
  // A formatter whose output contains the placeholder must not loop.
  class EchoingFormatter final : public LocaleFormatter {
   public:
    std::wstring format_number(std::wstring_view, double, NumberFormatOptions) const override {
      return L"{count}";
    }
    std::wstring format_percent(std::wstring_view, double, NumberFormatOptions) const override {
      return {};
    }
    std::wstring format_date(std::wstring_view, DateParts, DateStyle) const override { return {}; }
    std::wstring format_time(std::wstring_view, TimeParts, TimeFormatOptions) const override {
      return {};
    }
  };
  LocalizationContext context(L"en-US", nullptr);
  context.set_formatter(std::make_shared<const EchoingFormatter>());
  EXPECT_EQ(context.resolve(plural(L"{count}/{count}", 4)), L"{count}/{count}");
}

TEST(LocalizationContextTest, CountGoesThroughTheFormatterWithGroupingAndFifteenDigits) {
  const auto formatter = std::make_shared<const FakeLocaleFormatter>();
  LocalizationContext context(L"de-DE", nullptr);
  context.set_formatter(formatter);
  context.set_bundle(make_bundle({{L"de", L"files.other", L"{count} Dateien, {count}"}}));

  EXPECT_EQ(context.resolve(plural(L"files", 2.5)), L"<2.5> Dateien, <2.5>");
  ASSERT_EQ(formatter->number_calls.size(), 1u) << "formatted once, inserted everywhere";
  const FakeLocaleFormatter::NumberCall& call = formatter->number_calls[0];
  EXPECT_EQ(call.locale, L"de-DE");
  EXPECT_EQ(call.value, 2.5);
  EXPECT_EQ(call.options.minimum_fraction_digits, 0u);
  EXPECT_EQ(call.options.maximum_fraction_digits, 15u);
  EXPECT_TRUE(call.options.grouping);
}

TEST(LocalizationContextTest, FormatsNumbersItselfWithoutAFormatter) {
  const LocalizationContext context(L"de-DE", nullptr);
  EXPECT_EQ(context.format_number(1234.5, {0, 15, true}), L"1234.5");
  EXPECT_EQ(context.format_number(3, {0, 15, true}), L"3");
}

TEST(LocalizationContextTest, PluralCategoryFollowsThePrimaryLanguage) {
  struct Case {
    std::wstring locale;
    double value;
    PluralCategory expected;
  };
  const Case cases[] = {
      {L"ru-RU", 11, PluralCategory::kMany},   {L"RU", 111, PluralCategory::kMany},
      {L"pl_PL", 1e19, PluralCategory::kOther}, {L"ar-EG", 100, PluralCategory::kOther},
      {L"ar", 102, PluralCategory::kOther},     {L"ar_SA", 0.5, PluralCategory::kOther},
      {L"fr-CA", 1.5, PluralCategory::kOther},  {L"fr-CA", 0, PluralCategory::kOne},
      {L"zh-CN", 1, PluralCategory::kOther},    {L"en-US", 1, PluralCategory::kOne},
      {L"", 1, PluralCategory::kOne},
  };
  for (const Case& c : cases) {
    const LocalizationContext context(c.locale, nullptr);
    EXPECT_EQ(context.plural_category(c.value), c.expected) << utf8(c.locale) << " " << c.value;
  }
}

TEST(LocalizationContextTest, RightToLeftLanguages) {
  struct Case {
    std::wstring locale;
    bool expected;
  };
  const Case cases[] = {
      {L"AR", true},     {L"ar-EG", true},  {L"he_IL", true}, {L"fa-IR", true},
      {L"dv", true},     {L"ku", true},     {L"ps", true},    {L"sd", true},
      {L"ug-CN", true},  {L"ur-PK", true},  {L"yi", true},    {L"arn", false},
      {L"", false},      {L"en-US", false}, {L"zh-CN", false}, {L"iw", false},
      {L"x-ar", false},
  };
  for (const Case& c : cases) {
    const LocalizationContext context(c.locale, nullptr);
    EXPECT_EQ(context.is_right_to_left(), c.expected) << utf8(c.locale);
  }
}

}  // namespace
}  // namespace win32_ui::modern
