#include "ui/platform/locale_tag.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::utf8;

TEST(LocaleTagTest, NormalizesCaseAndUnderscores) {
  struct Case {
    std::wstring_view tag;
    std::wstring_view expected;
  };
  const Case cases[] = {
      {L"zh_CN", L"zh-cn"},
      {L"ZH-cn", L"zh-cn"},
      {L"zh_Hans_CN", L"zh-hans-cn"},
      {L"en-US", L"en-us"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(normalize_locale_tag(c.tag), c.expected) << utf8(c.tag);
  }
}

TEST(LocaleTagTest, PrimarySubtagIsTheLowercasedPartBeforeTheFirstSeparator) {
  struct Case {
    std::wstring_view tag;
    std::wstring_view expected;
  };
  const Case cases[] = {
      {L"zh-CN", L"zh"}, {L"ar_EG", L"ar"}, {L"AR", L"ar"},
      {L"arn", L"arn"},  {L"", L""},        {L"he_IL-x", L"he"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(primary_language_subtag(c.tag), c.expected) << utf8(c.tag);
  }
}

TEST(LocaleTagTest, FallbackChainWalksRequestedThenDefaultPrefixesOnce) {
  struct Case {
    std::wstring_view requested;
    std::wstring_view default_tag;
    std::vector<std::wstring> expected;
  };
  const Case cases[] = {
      {L"zh-Hans-CN", L"en-US", {L"zh-hans-cn", L"zh-hans", L"zh", L"en-us", L"en"}},
      {L"en-GB", L"en-US", {L"en-gb", L"en", L"en-us"}},
      {L"en_US", L"EN-us", {L"en-us", L"en"}},
      {L"", L"en-US", {L"en-us", L"en"}},
      {L"fr", L"", {L"fr"}},
      {L"", L"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(locale_fallback_chain(c.requested, c.default_tag), c.expected)
        << utf8(c.requested) << " / " << utf8(c.default_tag);
  }
}

}  // namespace
}  // namespace win32_ui::modern
