#include "app/common/ui_language.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::string_view_literals;
using quorvel::test::utf8;

struct TagCase {
  std::wstring_view tag;
  std::wstring_view expected;
};

TEST(NormalizeLanguageTag, MapsSimplifiedChineseTagsToZhCn) {
  const TagCase cases[] = {
      {L"ZH_cn", L"zh-CN"},      {L"zh-SG", L"zh-CN"},   {L"zh-Hans", L"zh-CN"},
      {L"zh-Hans-CN", L"zh-CN"}, {L"zh-hans-", L"zh-CN"}, {L"zh_Hans_SG", L"zh-CN"},
      {L"zh-CN", L"zh-CN"},
  };
  for (const TagCase& c : cases) {
    EXPECT_EQ(normalize_language_tag(c.tag), c.expected) << utf8(c.tag);
  }
}

TEST(NormalizeLanguageTag, MapsEveryOtherTagToEnUs) {
  const TagCase cases[] = {
      {L"zh", L"en-US"},         {L"zh-TW", L"en-US"},    {L"zh-HK", L"en-US"},
      {L"zh-MO", L"en-US"},      {L"zh-Hant", L"en-US"},  {L"zh-Hant-TW", L"en-US"},
      {L"zh-cn-x", L"en-US"},    {L"zh-hansx", L"en-US"}, {L"ar-EG", L"en-US"},
      {L"fr-FR", L"en-US"},      {L"en-GB", L"en-US"},    {L"", L"en-US"},
  };
  for (const TagCase& c : cases) {
    EXPECT_EQ(normalize_language_tag(c.tag), c.expected) << utf8(c.tag);
  }
}

TEST(FirstPreferredLanguage, CountsOnlyTheFirstNameOfTheList) {
  EXPECT_EQ(first_preferred_language(L"fr-FR\0zh-CN\0\0"sv), L"en-US");
  EXPECT_EQ(first_preferred_language(L"zh-CN\0en-US\0\0"sv), L"zh-CN");
  EXPECT_EQ(first_preferred_language(L"zh-Hans-CN\0\0"sv), L"zh-CN");
}

TEST(FirstPreferredLanguage, GivesEnglishForAnEmptyListOrAnEmptyFirstName) {
  EXPECT_EQ(first_preferred_language(L""sv), L"en-US");
  EXPECT_EQ(first_preferred_language(L"\0\0"sv), L"en-US");
  EXPECT_EQ(first_preferred_language(L"\0zh-CN\0\0"sv), L"en-US");
  // A single name without its terminator is still read whole.
  EXPECT_EQ(first_preferred_language(L"zh-SG"sv), L"zh-CN");
}

TEST(StartupUiLanguage, TakesTheStoredChoiceOverTheWindowsLanguage) {
  EXPECT_EQ(startup_ui_language(std::wstring(L"zh-CN"), L"en-GB\0\0"sv), L"zh-CN");
  EXPECT_EQ(startup_ui_language(std::wstring(L"en-US"), L"zh-CN\0\0"sv), L"en-US");
  // The stored value is normalised like any other tag.
  EXPECT_EQ(startup_ui_language(std::wstring(L"zh_hans"), L"en-GB\0\0"sv), L"zh-CN");
  EXPECT_EQ(startup_ui_language(std::wstring(L"de-DE"), L"zh-CN\0\0"sv), L"en-US");
}

TEST(StartupUiLanguage, FollowsTheFirstWindowsLanguageWhenNothingIsStored) {
  EXPECT_EQ(startup_ui_language(std::nullopt, L"fr-FR\0zh-CN\0\0"sv), L"en-US");
  EXPECT_EQ(startup_ui_language(std::nullopt, L"zh-CN\0fr-FR\0\0"sv), L"zh-CN");
  EXPECT_EQ(startup_ui_language(std::nullopt, L""sv), L"en-US");
}

// Run by CTest once with the emulator's en_US locale and once more with
// QUORVEL_TEST_LANG=zh_CN.UTF-8; Wine takes the Windows UI language from it.
TEST(PreferredUiLanguage, FollowsTheUsersWindowsLanguage) {
  const std::wstring names = read_preferred_ui_languages();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), L'\0');
  const std::wstring language = preferred_ui_language();
  EXPECT_EQ(language, first_preferred_language(names));
  if (!quorvel::test::running_under_wine()) {
    EXPECT_TRUE(language == L"en-US" || language == L"zh-CN") << utf8(language);
    return;
  }
  const std::wstring test_lang = quorvel::test::environment(L"QUORVEL_TEST_LANG");
  const bool chinese = test_lang.starts_with(L"zh_CN");
  EXPECT_EQ(language, chinese ? L"zh-CN" : L"en-US")
      << "first name " << utf8(names.substr(0, names.find(L'\0'))) << ", LANG "
      << utf8(test_lang);
}

}  // namespace
}  // namespace quorvel::windows
