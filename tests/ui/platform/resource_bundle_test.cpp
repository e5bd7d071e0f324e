#include "ui/platform/resource_bundle.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::utf8;

std::shared_ptr<const ResourceBundle> make_bundle(std::vector<ResourceEntry> rows,
                                                  std::wstring default_locale,
                                                  std::shared_ptr<const ResourceBundle> parent = {}) {
  return std::make_shared<const ResourceBundle>(std::move(rows), std::move(default_locale),
                                                std::move(parent));
}

TEST(ResourceBundleTest, KeepsTheDefaultTagUnchanged) {
  EXPECT_EQ(make_bundle({}, L"EN_us")->default_locale(), L"EN_us");
}

TEST(ResourceBundleTest, FindsAlongTheFallbackChain) {
  struct Case {
    const wchar_t* name;
    std::vector<ResourceEntry> rows;
    const wchar_t* default_locale;
    const wchar_t* locale;
    const wchar_t* key;
    std::optional<std::wstring> expected;
  };
  const Case cases[] = {
      {L"the later of two rows with the same normalised tag wins",
       {{L"zh_CN", L"k", L"A"}, {L"zh-cn", L"k", L"B"}}, L"en-US", L"zh-CN", L"k", L"B"},
      {L"the same holds in the other order",
       {{L"zh-cn", L"k", L"B"}, {L"ZH_cn", L"k", L"A"}}, L"en-US", L"zh_CN", L"k", L"A"},
      {L"a key only under the default's language is reached",
       {{L"en", L"k", L"english"}}, L"en-US", L"zh-CN", L"k", L"english"},
      {L"the requested language beats the default locale",
       {{L"en-US", L"k", L"english"}, {L"fr", L"k", L"francais"}}, L"en-US", L"fr-CA", L"k",
       L"francais"},
      {L"the most specific requested tag wins",
       {{L"zh", L"k", L"zh"}, {L"zh-Hans", L"k", L"hans"}, {L"zh-hans-cn", L"k", L"cn"}},
       L"en-US", L"zh-Hans-CN", L"k", L"cn"},
      {L"an empty tag searches the default locale",
       {{L"en-US", L"k", L"default"}, {L"fr", L"k", L"francais"}}, L"en-US", L"", L"k",
       L"default"},
      {L"keys are case-sensitive", {{L"en", L"Key", L"x"}}, L"en", L"en", L"key", std::nullopt},
      {L"keys match over their full length", {{L"en", L"key", L"x"}}, L"en", L"en", L"ke",
       std::nullopt},
      {L"a locale outside the chain is not searched", {{L"de", L"k", L"deutsch"}}, L"en-US",
       L"fr-FR", L"k", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto bundle = make_bundle(c.rows, c.default_locale);
    EXPECT_EQ(bundle->find(c.locale, c.key), c.expected) << utf8(c.name);
  }
}

TEST(ResourceBundleTest, AsksTheParentWithItsOwnDefaultWhenNothingHereMatches) {
  const auto parent = make_bundle({{L"de", L"k", L"parent-de"}, {L"fr", L"only", L"parent-fr"}},
                                  L"de-DE");
  const auto child = make_bundle({{L"fr", L"k", L"child-fr"}}, L"en-US", parent);

  EXPECT_EQ(child->find(L"fr-FR", L"k"), L"child-fr");
  // The parent's chain for fr-FR ends in its own default de-de, de.
  EXPECT_EQ(child->find(L"it-IT", L"k"), L"parent-de");
  EXPECT_EQ(child->find(L"fr-FR", L"only"), L"parent-fr");
  EXPECT_EQ(child->find(L"fr-FR", L"missing"), std::nullopt);
}

TEST(ResourceBundleTest, PluralLookupOrder) {
  struct Case {
    const wchar_t* name;
    std::vector<ResourceEntry> rows;
    const wchar_t* locale;
    PluralCategory category;
    std::optional<std::wstring> expected;
  };
  const Case cases[] = {
      {L"a locale-specific other beats the exact form in a shorter tag",
       {{L"en", L"files.one", L"one file"}, {L"en-us", L"files.other", L"{count} files"}},
       L"en-US", PluralCategory::kOne, L"{count} files"},
      {L"the exact form beats other in the same tag",
       {{L"en-us", L"files.other", L"many"}, {L"en-US", L"files.one", L"one"}}, L"en-US",
       PluralCategory::kOne, L"one"},
      {L"the exact form is found in a shorter tag",
       {{L"en", L"files.one", L"one file"}}, L"en-US", PluralCategory::kOne, L"one file"},
      {L"other is tried for every category",
       {{L"ru", L"files.other", L"files"}}, L"ru-RU", PluralCategory::kFew, L"files"},
      {L"the bare key comes after every suffixed form of the chain",
       {{L"en-us", L"files", L"bare"}, {L"en", L"files.other", L"other"}}, L"en-US",
       PluralCategory::kOne, L"other"},
      {L"the bare key is used when no form exists",
       {{L"en", L"files", L"bare"}}, L"en-US", PluralCategory::kOne, L"bare"},
      {L"nothing matches", {{L"en", L"folders.one", L"x"}}, L"en-US", PluralCategory::kOne,
       std::nullopt},
      {L"an unknown category looks for other",
       {{L"en", L"files.other", L"other"}}, L"en", static_cast<PluralCategory>(9), L"other"},
  };
  for (const Case& c : cases) {
    const auto bundle = make_bundle(c.rows, L"en-US");
    EXPECT_EQ(bundle->find_plural(c.locale, L"files", c.category), c.expected) << utf8(c.name);
  }
}

TEST(ResourceBundleTest, PluralLookupFallsBackToTheParent) {
  const auto parent = make_bundle({{L"en", L"files.one", L"parent one"}}, L"en");
  const auto child = make_bundle({{L"en", L"other.one", L"x"}}, L"en-US", parent);
  EXPECT_EQ(child->find_plural(L"en-US", L"files", PluralCategory::kOne), L"parent one");
  EXPECT_EQ(child->find_plural(L"en-US", L"files", PluralCategory::kTwo), std::nullopt);
}

}  // namespace
}  // namespace win32_ui::modern
